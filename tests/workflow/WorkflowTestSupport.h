#pragma once

#include "HostTestSupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cctype>
#include <map>
#include <string>
#include <vector>

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

// A copy of the FCD-300 sample whose program has 255 pairs (events and actions
// taken in turn from the choice lists, none that ends the program).
inline std::string bigProgram(const testsupport::ScratchFolder& scratch,
                              const std::string& name = "big.json")
{
    QJsonObject root = QJsonDocument::fromJson(QByteArray::fromStdString(hosttest::fileBytes(
                                                   hosttest::sampleImage("fcd300_sample.json"))))
                           .object();
    root.remove("modbus");
    QJsonArray parameters = root["parameters"].toArray();
    for (int i = 0; i < parameters.size(); ++i) {
        QJsonObject parameter = parameters[i].toObject();
        parameter.remove("register");
        parameter.remove("width");
        const int number = parameter["number"].toInt();
        if (number == 1301 || number == 1302) {
            QJsonArray values;
            for (int pair = 0; pair < 255; ++pair)
                values.append(QString::number(2 + pair % (number == 1301 ? 40 : 48)));
            parameter["elementCount"] = 255;
            parameter["values"] = values;
        }
        parameters[i] = parameter;
    }
    root["parameters"] = parameters;
    scratch.writeText(name, QJsonDocument(root).toJson().toStdString());
    return scratch.file(name);
}

// The text of a PDF page by page (pdftotext, poppler-utils), each run of
// white space one space; empty when it cannot be read.
inline std::vector<std::string> pdfPages(const std::string& pdf)
{
    const hosttest::Run text = hosttest::run({"pdftotext", pdf, "-"});
    EXPECT_EQ(text.status, 0) << "pdftotext (poppler-utils) reads " << pdf << ": " << text.errors;
    std::vector<std::string> pages;
    size_t start = 0;
    for (size_t end; (end = text.out.find('\f', start)) != std::string::npos; start = end + 1) {
        std::string page;
        for (const char c : text.out.substr(start, end - start)) {
            const bool space = std::isspace(static_cast<unsigned char>(c));
            if (!space || (!page.empty() && page.back() != ' '))
                page += space ? ' ' : c;
        }
        pages.push_back(page);
    }
    return pages;
}

} // namespace workflowtest
