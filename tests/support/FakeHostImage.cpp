// FakeHost::fromImage: the fake host filled from a drive image file. Kept apart
// from FakeHost.cpp, which the fuzz targets build without Qt.

#include "support/FakeHost.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <stdexcept>

namespace testsupport {

namespace {

std::vector<std::string> texts(const QJsonArray& array)
{
    std::vector<std::string> result;
    for (const QJsonValue& item : array)
        result.push_back(item.toString().toStdString());
    return result;
}

} // namespace

FakeHost FakeHost::fromImage(const std::string& path)
{
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("drive image " + path + " cannot be read");
    const QJsonObject root = QJsonDocument::fromJson(file.readAll()).object();
    const QJsonObject drive = root["drive"].toObject();
    const QJsonObject namedLists = root["choiceLists"].toObject();

    FakeHost host;
    host.driveName = drive["type"].toString().toStdString();
    host.aocVersion = drive["aocVersion"].toString().toStdString();
    host.dbVersion = drive["databaseVersion"].toString().toStdString();
    host.language = root["language"].toString().toStdString();
    host.indexBase = root["indexBase"].toInt();
    for (const QJsonValue& entry : root["parameters"].toArray()) {
        const QJsonObject object = entry.toObject();
        Parameter& p = host.parameters[static_cast<unsigned long>(object["number"].toInteger())];
        p.name = object["name"].toString().toStdString();
        p.elementCount = static_cast<unsigned long>(object["elementCount"].toInteger());
        p.values = texts(object["values"].toArray());
        const QJsonValue choices = object["choices"];
        p.choices = texts(choices.isString() ? namedLists[choices.toString()].toArray()
                                             : choices.toArray());
        p.minimum = object["minimum"].toString().toStdString();
        p.maximum = object["maximum"].toString().toStdString();
        p.unit = object["unit"].toString().toStdString();
        if (object.contains("decimals"))
            p.decimals = std::to_string(object["decimals"].toInt());
    }
    return host;
}

} // namespace testsupport
