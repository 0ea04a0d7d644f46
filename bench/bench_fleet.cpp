// nebpt-host --fleet against 50 drives: nebpt-drive-sim serving each on a
// link that answers 20 ms late, as a drive on a slow line does. A program of
// 20 pairs (every pair's event and action other than the drive's) is imported
// into all 50 (--fleet), and beside it into one drive alone (--connect,
// --import), each on fresh drives. The work is waiting on the links, not the
// processor: with 8 jobs (the default) 50 drives take 7 rounds of about one
// drive's time, with 16 jobs 4.
//
// Prints `one <s> s` (the best of three), `fleet <s> s` for 8 and for 16 jobs
// with the ratio of each and, last, `fleet/one <ratio>` with 16 jobs (goal at
// most 6).

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "BenchSimulator.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kDrives = 50;
constexpr int kPairs = 20;
const std::string kSample = std::string(NEBPT_DATA_DIR) + "/fcd300_sample.json";

std::string readAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeAll(const std::string& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    if (!out.flush())
        throw std::runtime_error("cannot write " + path);
}

// Runs nebpt-host with `arguments`, its output into `folder`; the seconds it took.
double host(const std::string& arguments, const std::string& folder)
{
    const std::string command = std::string("'") + NEBPT_HOST_EXECUTABLE + "' " + arguments +
                                " >'" + folder + "/out' 2>'" + folder + "/errors'";
    const auto start = Clock::now();
    const int status = std::system(command.c_str());
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error("nebpt-host " + arguments +
                                 " failed: " + readAll(folder + "/errors"));
    return seconds;
}

// Fresh drives holding the sample's program, each served by a simulator.
std::vector<std::unique_ptr<bench::Simulator>> freshDrives(const std::string& folder, int count,
                                                           const std::string& prefix)
{
    const std::string sample = readAll(kSample);
    std::vector<std::unique_ptr<bench::Simulator>> drives;
    for (int i = 0; i < count; ++i) {
        const std::string image = folder + "/" + prefix + std::to_string(i) + ".json";
        writeAll(image, sample);
        drives.push_back(std::make_unique<bench::Simulator>(image, 20));
    }
    return drives;
}

} // namespace

int main()
{
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && tmp[0] == '/' ? tmp : "/tmp") + "/bench_fleet.XXXXXX";
    const char* made = mkdtemp(pattern.data());
    if (!made) {
        std::fprintf(stderr, "bench_fleet: no temporary folder\n");
        return 1;
    }
    const std::string folder = made;
    int status = 0;
    try {
        // The program: every one of the 20 pairs with another event and action.
        QJsonObject root =
            QJsonDocument::fromJson(QByteArray::fromStdString(readAll(kSample))).object();
        QJsonArray parameters = root["parameters"].toArray();
        for (int i = 0; i < parameters.size(); ++i) {
            QJsonObject parameter = parameters[i].toObject();
            const int number = parameter["number"].toInt();
            if (number != 1301 && number != 1302)
                continue;
            QJsonArray values;
            for (int pair = 0; pair < kPairs; ++pair)
                values.append(QString::number(number == 1301 ? 2 + pair : 2 + (pair + 3) % 40));
            parameter["values"] = values;
            parameters[i] = parameter;
        }
        root["parameters"] = parameters;
        writeAll(folder + "/new.json", QJsonDocument(root).toJson().toStdString());
        const std::string program = folder + "/program.json";
        host("--export '" + program + "' '" + folder + "/new.json'", folder);

        double one = 1e9;
        for (int run = 0; run < 3; ++run) {
            const auto drive = freshDrives(folder, 1, "one" + std::to_string(run) + "_");
            one = std::min(one, host("--connect " + drive[0]->address() + " --profile '" + kSample +
                                         "' --import '" + program + "'",
                                     folder));
        }

        std::printf("one %.2f s (one drive, --import over the link)\n", one);
        double fleet = 0;
        for (const int jobs : {8, 16}) {
            const auto drives = freshDrives(folder, kDrives, "fleet" + std::to_string(jobs) + "_");
            QJsonArray entries;
            for (int i = 0; i < kDrives; ++i)
                entries.append(
                    QJsonObject{{"name", QStringLiteral("Drive %1").arg(i + 1)},
                                {"connect", QString::fromStdString(drives[i]->address())},
                                {"profile", QString::fromStdString(kSample)}});
            writeAll(folder + "/fleet.json",
                     QJsonDocument(QJsonObject{{"drives", entries}}).toJson().toStdString());
            fleet = host("--fleet '" + folder + "/fleet.json' --jobs " + std::to_string(jobs) +
                             " --import '" + program + "'",
                         folder);
            const std::string summary = readAll(folder + "/out");
            if (summary.find(std::to_string(kDrives) + " written") == std::string::npos)
                throw std::runtime_error("not every drive written: " + summary);
            std::printf("fleet %.2f s (%d drives, --fleet --import --jobs %d), ratio %.2f\n", fleet,
                        kDrives, jobs, fleet / one);
        }
        std::printf("fleet/one %.2f\n", fleet / one);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_fleet: %s\n", error.what());
        status = 1;
    }
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    return status;
}
