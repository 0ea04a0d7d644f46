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

[[noreturn]] void imageFault(const std::string& path, const std::string& what)
{
    throw std::runtime_error("drive image " + path + ": " + what);
}

std::vector<std::string> texts(const QJsonArray& array)
{
    std::vector<std::string> result;
    for (const QJsonValue& item : array)
        result.push_back(item.toString().toStdString());
    return result;
}

std::string numberText(const QJsonValue& value)
{
    return value.isDouble() ? std::to_string(value.toInt()) : value.toString().toStdString();
}

} // namespace

FakeHost FakeHost::fromImage(const std::string& path)
{
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly))
        imageFault(path, "cannot be read");
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &error);
    if (!document.isObject())
        imageFault(path, "not a JSON object: " + error.errorString().toStdString());
    const QJsonObject root = document.object();
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
        const unsigned long number = static_cast<unsigned long>(object["number"].toInteger());
        Parameter& p = host.parameters[number];
        p.name = object["name"].toString().toStdString();
        p.elementCount = static_cast<unsigned long>(object["elementCount"].toInteger());
        p.values = texts(object["values"].toArray());
        if (p.values.size() != (p.elementCount == 0 ? 1 : p.elementCount))
            imageFault(path,
                       "parameter " + std::to_string(number) + " has not one value per element");
        const QJsonValue choices = object["choices"];
        if (choices.isString() && !namedLists.contains(choices.toString()))
            imageFault(path, "parameter " + std::to_string(number) + " names an unknown list");
        p.choices = texts(choices.isString() ? namedLists[choices.toString()].toArray()
                                             : choices.toArray());
        p.minimum = object["minimum"].toString().toStdString();
        p.maximum = object["maximum"].toString().toStdString();
        p.unit = object["unit"].toString().toStdString();
        if (object.contains("decimals"))
            p.decimals = numberText(object["decimals"]);
    }
    if (host.driveName.empty() || host.parameters.empty())
        imageFault(path, "no drive type or no parameters");
    return host;
}

} // namespace testsupport
