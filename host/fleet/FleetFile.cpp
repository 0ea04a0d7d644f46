#include "FleetFile.h"

#include "DriveAddress.h"

#include "framework/RegularFile.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

#include <set>

namespace fleet {

namespace {

constexpr size_t kMostBytes = 16 * 1024 * 1024;

// `path` as given when absolute, else under `folder`.
std::string under(const QDir& folder, const std::string& path)
{
    const QString text = QString::fromStdString(path);
    return QDir::isAbsolutePath(text)
               ? path
               : QDir::cleanPath(folder.absoluteFilePath(text)).toStdString();
}

} // namespace

std::vector<FleetDrive> readFleetFile(const std::string& path)
{
    std::string text, error;
    if (!fw::readRegularFile(path, kMostBytes, text, error))
        throw FleetFileError(path + ": " + error);
    QJsonParseError parsed{};
    const QJsonDocument document =
        QJsonDocument::fromJson(QByteArray::fromStdString(text), &parsed);
    if (parsed.error != QJsonParseError::NoError)
        throw FleetFileError(path + ": not JSON: " + parsed.errorString().toStdString() +
                             " at byte " + std::to_string(parsed.offset));
    const QJsonValue list = document.object().value(QLatin1String("drives"));
    if (!document.isObject() || !list.isArray())
        throw FleetFileError(path + ": no \"drives\" list");
    const QJsonArray entries = list.toArray();
    if (entries.isEmpty())
        throw FleetFileError(path + ": the \"drives\" list is empty");

    const QDir folder = QFileInfo(QString::fromStdString(path)).absoluteDir();
    std::vector<FleetDrive> drives;
    std::set<std::string> names;
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const QJsonObject entry = entries[i].toObject();
        std::string where = path + ": drive " + std::to_string(i + 1);
        if (const QString name = entry.value(QLatin1String("name")).toString(); !name.isEmpty())
            where += " (\"" + name.toStdString() + "\")";
        if (!entries[i].isObject())
            throw FleetFileError(where + ": not an object");
        FleetDrive drive;
        for (const auto& [key, into] :
             {std::pair{"name", &drive.name}, std::pair{"connect", &drive.connect},
              std::pair{"profile", &drive.profile}}) {
            const QJsonValue value = entry.value(QLatin1String(key));
            if (!value.isString() || value.toString().trimmed().isEmpty())
                throw FleetFileError(where + ": \"" + key + "\" needs a text");
            *into = value.toString().toStdString();
        }
        for (auto key = entry.begin(); key != entry.end(); ++key) {
            if (key.key() != QLatin1String("name") && key.key() != QLatin1String("connect") &&
                key.key() != QLatin1String("profile"))
                throw FleetFileError(where + ": unknown key \"" + key.key().toStdString() + "\"");
        }
        if (!names.insert(drive.name).second)
            throw FleetFileError(where + ": the name is given twice");
        try {
            const DriveAddress address = DriveAddress::parse(drive.connect);
            if (address.kind == DriveAddress::Kind::Rtu && !address.device.empty() &&
                address.device.front() != '/') {
                const size_t at = drive.connect.find(address.device);
                if (at != std::string::npos)
                    drive.connect.replace(at, address.device.size(), under(folder, address.device));
            }
        } catch (const std::exception& wrong) {
            throw FleetFileError(where + ": " + wrong.what());
        }
        drive.profile = under(folder, drive.profile);
        drives.push_back(std::move(drive));
    }
    return drives;
}

} // namespace fleet
