// How fast a program goes out of a drive image into a program file and back
// into another image, beside the floor of reading and saving the image file.
//
// Makes an FCD-300 image whose program has 255 pairs, and a second one that
// differs in every pair, in a scratch folder. Times, as medians of runs taken in
// turn: the floor (read the image file and save it again, atomically and
// durably, as a drive saves it); export (open the image, read the program,
// write the program file); import (open both, check the program against the
// target, write it in one bunch). Prints the figures and, last, `ratio <slower of export and
// import / floor>`; the goal is at most 3.

#include "ProgramFile.h"
#include "SimulatedDrive.h"

#include <QByteArray>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kPairs = 255;
constexpr int kRuns = 21;

QByteArray readFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(path));
        std::exit(1);
    }
    return file.readAll();
}

void saveFile(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        std::exit(1);
    }
}

// The sample image with a program of 255 pairs; `shift` varies the events and
// actions, so that two images differ in every pair.
QByteArray bigImage(int shift)
{
    QJsonObject root =
        QJsonDocument::fromJson(readFile(NEBPT_DATA_DIR "/fcd300_sample.json")).object();
    root.remove(QStringLiteral("modbus"));
    QJsonArray parameters = root[QStringLiteral("parameters")].toArray();
    for (int i = 0; i < parameters.size(); ++i) {
        QJsonObject parameter = parameters[i].toObject();
        parameter.remove(QStringLiteral("register"));
        parameter.remove(QStringLiteral("width"));
        const int number = parameter[QStringLiteral("number")].toInt();
        if (number == 1301 || number == 1302) {
            QJsonArray values;
            for (int pair = 0; pair < kPairs; ++pair) {
                // Events 2..41, actions 2..49: never the end of the program.
                const int value = 2 + (pair + shift) % (number == 1301 ? 40 : 48);
                values.append(QString::number(value));
            }
            parameter[QStringLiteral("elementCount")] = kPairs;
            parameter[QStringLiteral("values")] = values;
        }
        parameters[i] = parameter;
    }
    root[QStringLiteral("parameters")] = parameters;
    return QJsonDocument(root).toJson();
}

// Makes the folder's entries durable, as a drive does after it saved its image.
void syncFolder(const char* folder)
{
    const int fd = open(folder, O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
}

double milliseconds(const std::function<void()>& run)
{
    const auto start = std::chrono::steady_clock::now();
    run();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

double median(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main()
{
    char folderTemplate[] = "/tmp/nebpt-bench-XXXXXX";
    const char* folder = mkdtemp(folderTemplate);
    if (!folder)
        return 1;
    const QString source = QString::fromLatin1(folder) + "/source.json";
    const QString target = QString::fromLatin1(folder) + "/target.json";
    const QString program = QString::fromLatin1(folder) + "/program.json";
    const QByteArray sourceBytes = bigImage(0), targetBytes = bigImage(7);
    saveFile(source, sourceBytes);

    // Runs taken in turn, so that the disk's moods fall on all three alike.
    std::vector<double> floors, exports, imports;
    size_t changes = 0;
    for (int run = 0; run < kRuns; ++run) {
        floors.push_back(milliseconds([&] {
            saveFile(target, readFile(source));
            syncFolder(folder);
        }));
        exports.push_back(milliseconds([&] {
            SimulatedDrive drive(source.toStdString(), SimulatedDrive::Access::Read);
            saveFile(program, programfile::fileOf(programfile::workflow().exportProgram(drive)));
            syncFolder(folder);
        }));
        saveFile(target, targetBytes);
        imports.push_back(milliseconds([&] {
            SimulatedDrive file(program.toStdString(), SimulatedDrive::Access::Read);
            SimulatedDrive drive(target.toStdString());
            const std::vector<NEBPT::ProgramChange> plan =
                programfile::workflow()
                    .planImport(file, drive, NEBPT::Rounding::Refuse, programfile::fitOf(drive))
                    .changes;
            NEBPT::ProgramWorkflow::importProgram(drive, plan); // saved and synced by the drive
            changes = plan.size();
        }));
    }
    const double floor = median(floors), exportTime = median(exports), importOnly = median(imports);

    std::printf("program of %d pairs, image %lld bytes, program file %lld bytes\n", kPairs,
                static_cast<long long>(sourceBytes.size()),
                static_cast<long long>(readFile(program).size()));
    std::printf("floor  (read + save the image, synced)%8.2f ms\n", floor);
    std::printf("export (image -> program file)       %8.2f ms\n", exportTime);
    std::printf("import (%zu changes, checked, saved) %8.2f ms\n", changes, importOnly);
    std::printf("ratio %.2f\n", std::max(exportTime, importOnly) / floor);
    std::system(("rm -rf '" + std::string(folder) + "'").c_str());
    return 0;
}
