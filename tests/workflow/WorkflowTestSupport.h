#pragma once

#include "HostTestSupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <map>
#include <string>

namespace workflowtest {

using Values = std::map<int, std::map<int, const char*>>; // parameter -> element -> value

// A copy of a sample image, as `name` in the folder, with these elements changed.
inline std::string sampleWith(const testsupport::ScratchFolder& scratch, const Values& changes,
                              const std::string& sample = "fcd300_sample.json",
                              const std::string& name = "drive.json")
{
    QJsonObject root =
        QJsonDocument::fromJson(
            QByteArray::fromStdString(hosttest::fileBytes(hosttest::sampleImage(sample))))
            .object();
    QJsonArray parameters = root["parameters"].toArray();
    for (int i = 0; i < parameters.size(); ++i) {
        QJsonObject parameter = parameters[i].toObject();
        const auto changed = changes.find(parameter["number"].toInt());
        if (changed == changes.end())
            continue;
        QJsonArray values = parameter["values"].toArray();
        for (const auto& [element, value] : changed->second)
            values[element] = value;
        parameter["values"] = values;
        parameters[i] = parameter;
    }
    root["parameters"] = parameters;
    scratch.writeText(name, QJsonDocument(root).toJson().toStdString());
    return scratch.file(name);
}

} // namespace workflowtest
