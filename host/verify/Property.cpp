#include "Property.h"

#include "Program.h"

#include "framework/RegularFile.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QJsonValue>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <set>

namespace verify {

bool Condition::holds(double x) const
{
    switch (test) {
    case Test::True:
        return x != 0;
    case Test::False:
        return x == 0;
    case Test::Equal:
        return x == value;
    case Test::Below:
        return x < value;
    default:
        return x > value;
    }
}

namespace {

std::string number(double value)
{
    char text[40];
    std::snprintf(text, sizeof text, "%.15g", value);
    return text;
}

constexpr size_t kSizeLimit = 1024 * 1024;
constexpr double kLongestSeconds = 24.0 * 3600;

// One object of the file, naming itself in every refusal.
class Entry
{
public:
    Entry(const QJsonValue& value, std::string file, std::string name)
        : m_file(std::move(file)), m_name(std::move(name))
    {
        if (!value.isObject())
            fail("is no object");
        m_object = value.toObject();
    }

    [[noreturn]] void fail(const std::string& what) const
    {
        throw PropertyError(m_file + ": " + m_name + (m_name.empty() ? "" : ": ") + what);
    }

    void only(std::initializer_list<const char*> known) const
    {
        for (const QString& key : m_object.keys()) {
            if (std::none_of(known.begin(), known.end(),
                             [&](const char* name) { return key == QLatin1String(name); }))
                fail("unknown key \"" + key.toStdString() + "\"");
        }
    }

    bool has(const char* key) const { return m_object.contains(QLatin1String(key)); }
    QJsonValue value(const char* key) const { return m_object.value(QLatin1String(key)); }

    std::string text(const char* key) const
    {
        const QJsonValue v = value(key);
        if (!v.isString() || v.toString().isEmpty())
            fail(std::string("\"") + key + "\" needs a text");
        return v.toString().toStdString();
    }

    double number(const char* key) const
    {
        const QJsonValue v = value(key);
        if (!v.isDouble() || !std::isfinite(v.toDouble()))
            fail(std::string("\"") + key + "\" needs a number");
        return v.toDouble();
    }

    // Seconds from 0 to a day, as milliseconds.
    long long time(const char* key) const
    {
        const QJsonValue v = value(key);
        const double s = v.toDouble(-1);
        if (!has(key))
            fail(std::string("\"") + key + "\" is missing");
        if (!v.isDouble() || !std::isfinite(s) || s < 0 || s > kLongestSeconds)
            fail(std::string("\"") + key + "\" needs a time in seconds from 0 to 86400");
        return std::llround(s * 1000);
    }

    int step(const char* key, const Program& program) const
    {
        const QJsonValue v = value(key);
        const double n = v.toDouble(-1);
        if (!v.isDouble() || n < 0 || n > 1e6 || n != std::floor(n))
            fail(std::string("\"") + key + "\" needs a step number");
        if (n >= program.steps())
            fail("step " + std::to_string(static_cast<int>(n)) + ": the program has " +
                 std::to_string(program.steps()) + " steps");
        return static_cast<int>(n);
    }

    Entry child(const char* key) const
    {
        if (!has(key))
            fail(std::string("\"") + key + "\" is missing");
        return Entry(value(key), m_file, m_name + ": " + key);
    }

    const std::string& name() const { return m_name; }

private:
    std::string m_file, m_name;
    QJsonObject m_object;
};

Condition condition(const Entry& entry, const Program& program)
{
    entry.only({"input", "value", "below", "above"});
    Condition c;
    c.input = entry.text("input");
    if (program.inputIndex(c.input) < 0)
        entry.fail("no input \"" + c.input + "\" in the program's choice lists");
    int tests = 0;
    for (const char* key : {"value", "below", "above"})
        tests += entry.has(key) ? 1 : 0;
    if (tests != 1)
        entry.fail("needs one of \"value\", \"below\", \"above\"");
    if (entry.has("value")) {
        const QJsonValue v = entry.value("value");
        if (v.isBool()) {
            c.test = v.toBool() ? Condition::Test::True : Condition::Test::False;
        } else if (v.isDouble() && std::isfinite(v.toDouble())) {
            c.test = Condition::Test::Equal;
            c.value = v.toDouble();
        } else {
            entry.fail("\"value\" needs true, false or a number");
        }
    } else if (entry.has("below")) {
        c.test = Condition::Test::Below;
        c.value = entry.number("below");
    } else {
        c.test = Condition::Test::Above;
        c.value = entry.number("above");
    }
    return c;
}

std::string action(const Entry& entry, const char* key, const Program& program)
{
    const std::string text = entry.text(key);
    if (!program.offersAction(text))
        entry.fail("no action \"" + text + "\" in the program's choice list");
    return text;
}

Property property(const Entry& entry, const Program& program)
{
    Property p;
    p.name = entry.text("name");
    int kinds = 0;
    for (const char* key : {"never", "reachable", "after"})
        kinds += entry.has(key) ? 1 : 0;
    if (kinds != 1)
        entry.fail("needs one of \"never\", \"reachable\", \"after\"");
    if (entry.has("never")) {
        entry.only({"name", "never", "while"});
        p.kind = Property::Kind::Never;
        const Entry never = entry.child("never");
        never.only({"action"});
        p.action = action(never, "action", program);
        if (entry.has("while")) {
            p.hasWhen = true;
            p.when = condition(entry.child("while"), program);
        }
    } else if (entry.has("reachable")) {
        entry.only({"name", "reachable"});
        p.kind = Property::Kind::Reachable;
        const Entry reachable = entry.child("reachable");
        reachable.only({"step"});
        p.step = reachable.step("step", program);
    } else {
        entry.only({"name", "after", "within", "expect"});
        p.kind = Property::Kind::Respond;
        p.hasWhen = true;
        p.when = condition(entry.child("after"), program);
        p.withinMs = entry.time("within");
        const Entry expect = entry.child("expect");
        expect.only({"running", "step", "action"});
        int kinds = 0;
        for (const char* key : {"running", "step", "action"})
            kinds += expect.has(key) ? 1 : 0;
        if (kinds != 1)
            expect.fail("needs one of \"running\", \"step\", \"action\"");
        if (expect.has("running")) {
            if (!expect.value("running").isBool())
                expect.fail("\"running\" needs true or false");
            p.expect.kind = Expectation::Kind::Running;
            p.expect.running = expect.value("running").toBool();
        } else if (expect.has("step")) {
            p.expect.kind = Expectation::Kind::Step;
            p.expect.step = expect.step("step", program);
        } else {
            p.expect.kind = Expectation::Kind::Action;
            p.expect.action = action(expect, "action", program);
        }
    }
    return p;
}

} // namespace

std::string Condition::text() const
{
    switch (test) {
    case Test::True:
        return input + " is true";
    case Test::False:
        return input + " is false";
    case Test::Equal:
        return input + " is " + number(value);
    case Test::Below:
        return input + " is below " + number(value);
    default:
        return input + " is above " + number(value);
    }
}

std::string Expectation::text() const
{
    switch (kind) {
    case Kind::Running:
        return running ? "running" : "not running";
    case Kind::Step:
        return "step " + std::to_string(step) + " active";
    default:
        return "\"" + action + "\" performed";
    }
}

PropertyFile parseProperties(const std::string& text, const std::string& name,
                             const Program& program)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(
        QByteArray(text.data(), static_cast<qsizetype>(text.size())), &error);
    if (error.error != QJsonParseError::NoError) {
        throw PropertyError(name + ": no JSON (" + error.errorString().toStdString() +
                            " at offset " + std::to_string(error.offset) + ")");
    }
    const Entry top(document.isObject() ? QJsonValue(document.object()) : QJsonValue(), name, "");
    top.only({"horizon", "properties"});
    PropertyFile file;
    if (top.has("horizon")) {
        file.horizon = static_cast<double>(top.time("horizon")) / 1000;
        if (file.horizon <= 0)
            top.fail("\"horizon\" needs a time after 0");
    }
    if (!top.value("properties").isArray())
        top.fail("\"properties\" needs a list");
    const QJsonArray list = top.value("properties").toArray();
    if (list.isEmpty())
        top.fail("\"properties\" lists no property");
    std::set<std::string> names;
    for (qsizetype i = 0; i < list.size(); ++i) {
        const Entry entry(list[i], name, "properties[" + std::to_string(i) + "]");
        Property p = property(entry, program);
        if (!names.insert(p.name).second)
            entry.fail("the name \"" + p.name + "\" is given twice");
        file.properties.push_back(std::move(p));
    }
    return file;
}

PropertyFile loadProperties(const std::string& path, const Program& program)
{
    std::string text, error;
    if (!fw::readRegularFile(path, kSizeLimit, text, error))
        throw PropertyError(path + ": cannot be read (" + error + ")");
    return parseProperties(text, path, program);
}

} // namespace verify
