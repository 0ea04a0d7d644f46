#include "Trace.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>

namespace verify {

std::string seconds(long long ms)
{
    return jsonSeconds(ms) + " s";
}

std::string jsonSeconds(long long ms)
{
    char text[48];
    std::snprintf(text, sizeof text, "%lld.%03lld", ms / 1000, ms % 1000);
    return text;
}

std::string jsonText(const std::string& text)
{
    std::string quoted = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (byte < 0x20 || byte == 0x7F) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", byte);
            quoted += escape;
        } else {
            quoted += c;
        }
    }
    return quoted + "\"";
}

namespace {

std::string shown(const Trace::Setting& setting)
{
    if (setting.condition)
        return setting.value != 0 ? "true" : "false";
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", setting.value);
    // The shortest text that reads back as the same number.
    for (int digits = 1; digits <= 17; ++digits) {
        char shorter[40];
        std::snprintf(shorter, sizeof shorter, "%.*g", digits, setting.value);
        if (std::strtod(shorter, nullptr) == setting.value)
            return shorter;
    }
    return text;
}

} // namespace

Trace Trace::of(const Engine::Run& run, const Encoding& encoding)
{
    Trace trace;
    std::vector<double> now(encoding.inputs().size(), 0);
    for (const Engine::Run::Macro& macro : run.steps) {
        for (size_t i = 0; i < macro.inputs.size() && i < now.size(); ++i) {
            const bool condition = !encoding.numeric(i);
            const double value = condition ? (macro.inputs[i] != 0 ? 1 : 0) : macro.inputs[i];
            if (value == now[i])
                continue;
            now[i] = value;
            trace.settings.push_back({macro.atMs, encoding.inputs()[i], value, condition});
        }
    }
    return trace;
}

long long Trace::replay(NEBPT::ProgramRuntime& runtime, long long untilMs,
                        const std::function<bool(const NEBPT::ProgramRuntime::Scan&)>& seen) const
{
    runtime.restart();
    for (int i = 0; i < static_cast<int>(runtime.inputNames().size()); ++i)
        runtime.setInput(i, 0);
    std::vector<int> inputs;
    for (const Setting& setting : settings)
        inputs.push_back(runtime.inputIndex(setting.input));
    size_t next = 0;
    for (long long t = 0; t <= untilMs; t += NEBPT::ProgramRuntime::kScanMs) {
        for (; next < settings.size() && settings[next].atMs <= t; ++next)
            runtime.setInput(inputs[next], settings[next].value);
        if (seen(runtime.scan()))
            return t;
    }
    return -1;
}

std::vector<std::string> Trace::lines() const
{
    std::vector<std::string> lines;
    for (const Setting& setting : settings) {
        char stamp[48];
        std::snprintf(stamp, sizeof stamp, "%8lld.%03lld s  ", setting.atMs / 1000,
                      setting.atMs % 1000);
        lines.push_back(stamp + setting.input + " = " + shown(setting));
    }
    return lines;
}

std::string Trace::scenario(long long untilMs, const std::vector<std::string>& expectations) const
{
    std::string text = "{\n    \"until\": " + jsonSeconds(untilMs) + ",\n    \"set\": [";
    for (size_t i = 0; i < settings.size(); ++i) {
        text += (i ? ",\n        " : "\n        ");
        text += "{\"at\": " + jsonSeconds(settings[i].atMs) +
                ", \"input\": " + jsonText(settings[i].input) +
                ", \"value\": " + shown(settings[i]) + "}";
    }
    text += settings.empty() ? "],\n" : "\n    ],\n";
    text += "    \"expect\": [";
    for (size_t i = 0; i < expectations.size(); ++i)
        text += (i ? ",\n        " : "\n        ") + expectations[i];
    text += expectations.empty() ? "]\n}\n" : "\n    ]\n}\n";
    return text;
}

void Trace::simplify(const std::function<bool(const Trace&)>& still, int tries)
{
    // Settings the finding does not need, from the last.
    for (size_t i = settings.size(); i-- > 0 && tries > 0;) {
        Trace fewer = *this;
        fewer.settings.erase(fewer.settings.begin() + static_cast<std::ptrdiff_t>(i));
        --tries;
        if (still(fewer))
            *this = std::move(fewer);
    }
    // Whole numbers where they do as well.
    for (size_t i = 0; i < settings.size() && tries > 0; ++i) {
        if (settings[i].condition || settings[i].value == std::round(settings[i].value))
            continue;
        for (const double value : {std::round(settings[i].value), std::floor(settings[i].value),
                                   std::ceil(settings[i].value)}) {
            Trace rounder = *this;
            rounder.settings[i].value = value;
            --tries;
            if (still(rounder)) {
                *this = std::move(rounder);
                break;
            }
        }
    }
    // Settings that set what an input holds already change nothing.
    std::map<std::string, double> now;
    std::vector<Setting> kept;
    for (Setting& setting : settings) {
        const auto held = now.find(setting.input);
        if ((held == now.end() ? 0.0 : held->second) == setting.value)
            continue;
        now[setting.input] = setting.value;
        kept.push_back(std::move(setting));
    }
    settings = std::move(kept);
}

} // namespace verify
