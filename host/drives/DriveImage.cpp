#include "DriveImage.h"

#include "HostText.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QJsonValue>

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <map>
#include <set>
#include <string_view>

namespace {

using modbusmap::formatFixed;
using modbusmap::readDecimal;

using Parameter = DriveImage::Parameter;
using hosttext::fill;

struct Text
{
    Q_DECLARE_TR_FUNCTIONS(DriveImage)
};

// What the host's parameter interface carries: "-2147483648 to 2147483647".
std::string choiceRange()
{
    return fill(Text::tr("%1 to %2"), std::to_string(INT32_MIN), std::to_string(INT32_MAX));
}

// How a parameter is named in the texts: "parameter 1301".
std::string parameterText(unsigned long number)
{
    return fill(Text::tr("parameter %1"), number);
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// A choice value: an optional '-' and decimal digits. `fits` tells whether it lies
// within the signed 32 bits the host's parameter interface carries.
bool readChoiceValue(std::string_view text, std::int32_t& value, bool& fits)
{
    const std::string_view digits = text.substr(!text.empty() && text[0] == '-' ? 1 : 0);
    if (digits.empty() || !std::all_of(digits.begin(), digits.end(), isDigit))
        return false;
    long long number = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), number);
    fits = result.ec == std::errc() && number >= INT32_MIN && number <= INT32_MAX;
    value = fits ? static_cast<std::int32_t>(number) : 0;
    return true;
}

bool isWholeNumber(const QJsonValue& value, double minimum, double maximum)
{
    if (!value.isDouble())
        return false;
    const double number = value.toDouble();
    return std::floor(number) == number && number >= minimum && number <= maximum;
}

QString fromStd(const std::string& text)
{
    return QString::fromStdString(text);
}

QJsonArray textArray(const std::vector<std::string>& texts)
{
    QJsonArray array;
    for (const std::string& text : texts)
        array.append(fromStd(text));
    return array;
}

// Reads the text of an image into a DriveImage, part by part; each part throws
// DriveImageError naming `where` and what is wrong.
class Reader
{
public:
    Reader(DriveImage& image, const std::string& where) : m_image(image), m_where(where) {}

    void read(const QJsonObject& root)
    {
        m_root = root;
        readDrive();
        readParameters();
        readRegisterMap();
    }

private:
    [[noreturn]] void fail(const std::string& what) const
    {
        throw DriveImageError(m_where + ": " + what);
    }

    void readDrive();
    void readParameters();
    void readParameter(const QJsonObject& object, int position, const QJsonObject& namedLists);
    void readIdentity(const QJsonObject& object, int position, Parameter& p);
    void readElementCount(const QJsonObject& object, const std::string& where, Parameter& p) const;
    void readChoices(const QJsonObject& object, const QJsonObject& namedLists,
                     const std::string& where, Parameter& p) const;
    std::int32_t readChoice(const QJsonValue& item, const std::string& where) const;
    void readLimits(const QJsonObject& object, const std::string& where, Parameter& p) const;
    void readValues(const QJsonObject& object, const std::string& where, Parameter& p) const;
    // Reads "modbus" and every parameter's "register" and "width".
    void readRegisterMap();
    modbusmap::Slot readSlot(const QJsonObject& object, const Parameter& p) const;
    void checkSlots() const;
    // Reads "statusRegister" or "inputRegister" into `address`; checks that the
    // block shares no register with the identification or a parameter.
    void readBlock(const QJsonObject& modbus, const char* key, const std::string& block, int size,
                   int& address) const;

    DriveImage& m_image;
    const std::string& m_where;
    QJsonObject m_root;
    std::set<unsigned long> m_numbers;
};

void Reader::readDrive()
{
    const QJsonValue drive = m_root.value("drive");
    if (!drive.isObject())
        fail(fill(Text::tr("\"drive\" is missing or not an object")));
    const QJsonObject identity = drive.toObject();
    auto identityText = [&](const char* key, bool mayBeEmpty) {
        const QJsonValue value = identity.value(key);
        if (!value.isString() || (!mayBeEmpty && value.toString().isEmpty()))
            fail(fill(Text::tr("\"drive\".\"%1\" is missing or not a text"), key));
        return value.toString().toStdString();
    };
    m_image.driveType = identityText("type", false);
    m_image.aocVersion = identityText("aocVersion", true);
    m_image.databaseVersion = identityText("databaseVersion", false);

    const QJsonValue language = m_root.value("language");
    if (!language.isString() || language.toString().isEmpty())
        fail(fill(Text::tr("\"language\" is missing or not a text")));
    m_image.language = language.toString().toStdString();

    const QJsonValue indexBase = m_root.value("indexBase");
    if (!isWholeNumber(indexBase, 0, INT_MAX))
        fail(fill(Text::tr("\"indexBase\" is missing or not a whole number of at least 0")));
    m_image.indexBase = static_cast<int>(indexBase.toDouble());
}

void Reader::readParameters()
{
    QJsonObject namedLists;
    if (m_root.contains("choiceLists")) {
        if (!m_root.value("choiceLists").isObject())
            fail(fill(Text::tr("\"choiceLists\" is not an object")));
        namedLists = m_root.value("choiceLists").toObject();
    }
    const QJsonValue parameters = m_root.value("parameters");
    if (!parameters.isArray() || parameters.toArray().isEmpty())
        fail(fill(Text::tr("\"parameters\" is missing or not a non-empty array")));
    const QJsonArray list = parameters.toArray();
    for (int position = 0; position < list.size(); ++position) {
        if (!list.at(position).isObject())
            fail(fill(Text::tr("entry %1 of \"parameters\" is not an object"), position));
        readParameter(list.at(position).toObject(), position, namedLists);
    }
}

void Reader::readParameter(const QJsonObject& object, int position, const QJsonObject& namedLists)
{
    Parameter p;
    readIdentity(object, position, p);
    const std::string where = parameterText(p.number);
    readElementCount(object, where, p);
    if (object.contains("choices"))
        readChoices(object, namedLists, where, p);
    else
        readLimits(object, where, p);
    readValues(object, where, p);
    m_image.parameters.push_back(std::move(p));
}

void Reader::readIdentity(const QJsonObject& object, int position, Parameter& p)
{
    if (!isWholeNumber(object.value("number"), 0, 4294967295.0)) {
        fail(fill(Text::tr("entry %1 of \"parameters\": \"number\" is missing or not a "
                           "parameter number"),
                  position));
    }
    p.number = static_cast<unsigned long>(object.value("number").toDouble());
    if (!m_numbers.insert(p.number).second)
        fail(fill(Text::tr("parameter %1 is listed twice"), p.number));
    if (!object.value("name").isString())
        fail(fill(Text::tr("%1: \"name\" is missing or not a text"), parameterText(p.number)));
    p.name = object.value("name").toString().toStdString();
}

void Reader::readElementCount(const QJsonObject& object, const std::string& where,
                              Parameter& p) const
{
    if (!object.contains("elementCount"))
        return;
    const QJsonValue count = object.value("elementCount");
    if (isWholeNumber(count, kMaxArrayElements + 1, 1e15)) {
        fail(fill(Text::tr("%1: \"elementCount\" %2 is too large: a parameter has at most %3 "
                           "elements"),
                  where, static_cast<long long>(count.toDouble()), kMaxArrayElements));
    }
    if (!isWholeNumber(count, 0, kMaxArrayElements)) {
        fail(fill(Text::tr("%1: \"elementCount\" is not a whole number from 0 to %2"), where,
                  kMaxArrayElements));
    }
    p.elementCount = static_cast<unsigned long>(count.toDouble());
    const long long last = m_image.indexBase + static_cast<long long>(p.elementCount) - 1;
    if (last > INT_MAX) {
        fail(fill(Text::tr("%1: indexes %2 to %3 exceed %4, the highest index the host's "
                           "parameter interface carries"),
                  where, m_image.indexBase, last, INT_MAX));
    }
}

void Reader::readChoices(const QJsonObject& object, const QJsonObject& namedLists,
                         const std::string& where, Parameter& p) const
{
    QJsonValue choices = object.value("choices");
    if (choices.isString()) {
        const QString name = choices.toString();
        if (!namedLists.contains(name)) {
            fail(fill(Text::tr("%1: \"choices\" names the list \"%2\", which \"choiceLists\" "
                               "does not hold"),
                      where, name.toStdString()));
        }
        choices = namedLists.value(name);
    }
    if (!choices.isArray() || choices.toArray().isEmpty())
        fail(fill(Text::tr("%1: \"choices\" is not a non-empty list of \"<value>:<text>\" items"),
                  where));
    std::set<std::int32_t> seen;
    for (const QJsonValue& item : choices.toArray()) {
        const std::int32_t value = readChoice(item, where);
        if (!seen.insert(value).second)
            fail(fill(Text::tr("%1: choice value %2 is listed twice"), where, value));
        p.choices.push_back(item.toString().toStdString());
        p.choiceValues.push_back(value);
    }
    for (const char* key : {"minimum", "maximum", "unit", "decimals"}) {
        if (object.contains(key))
            fail(fill(Text::tr("%1: a selection parameter has no \"%2\""), where, key));
    }
}

std::int32_t Reader::readChoice(const QJsonValue& item, const std::string& where) const
{
    const std::string text = item.toString().toStdString();
    const size_t colon = text.find(':');
    std::int32_t value = 0;
    bool fits = false;
    if (!item.isString() || colon == std::string::npos ||
        !readChoiceValue(std::string_view(text).substr(0, colon), value, fits) ||
        colon + 1 >= text.size() || text[colon + 1] == ':') {
        fail(fill(Text::tr("%1: choice \"%2\" is not of the form <value>:<text>"), where, text));
    }
    if (!fits) {
        fail(fill(Text::tr("%1: choice value %2 is outside %3, the values the host's parameter "
                           "interface carries"),
                  where, text.substr(0, colon), choiceRange()));
    }
    return value;
}

void Reader::readLimits(const QJsonObject& object, const std::string& where, Parameter& p) const
{
    const auto text = [&](const char* key, bool isNumber) {
        if (!object.contains(key))
            return std::string();
        if (!object.value(key).isString())
            fail(fill(Text::tr("%1: \"%2\" is not a text"), where, key));
        const std::string text = object.value(key).toString().toStdString();
        double ignored = 0;
        if (isNumber && !text.empty() && !readDecimal(text, ignored))
            fail(fill(Text::tr("%1: \"%2\" \"%3\" is not a decimal number"), where, key, text));
        return text;
    };
    p.minimum = text("minimum", true);
    p.maximum = text("maximum", true);
    p.unit = text("unit", false);
    if (object.contains("decimals")) {
        if (!isWholeNumber(object.value("decimals"), 0, 9))
            fail(fill(Text::tr("%1: \"decimals\" is not a whole number from 0 to 9"), where));
        p.decimals = static_cast<int>(object.value("decimals").toDouble());
    }
}

void Reader::readValues(const QJsonObject& object, const std::string& where, Parameter& p) const
{
    const QJsonValue values = object.value("values");
    const size_t expected = p.elementCount == 0 ? 1 : p.elementCount;
    if (!values.isArray() || static_cast<size_t>(values.toArray().size()) != expected) {
        fail(fill(expected == 1 ? Text::tr("%1: \"values\" must be a list of %2 value")
                                : Text::tr("%1: \"values\" must be a list of %2 values"),
                  where, expected));
    }
    const QJsonArray valueList = values.toArray();
    for (int element = 0; element < valueList.size(); ++element) {
        // Named only when it is told: the text is translated.
        const auto elementName = [&] {
            return p.elementCount == 0 ? where : fill(Text::tr("%1 element %2"), where, element);
        };
        if (!valueList.at(element).isString())
            fail(fill(Text::tr("%1: the value is not a text"), elementName()));
        std::string stored, reason;
        const std::string text = valueList.at(element).toString().toStdString();
        if (!p.accepts(text, stored, reason))
            fail(elementName() + ": " + reason);
        // A drive holds no more decimals than the parameter has: a value that
        // would change when stored is an error in the file, never rounded unsaid.
        double given = 0, kept = 0;
        if (!p.isSelection() && readDecimal(text, given) && readDecimal(stored, kept) &&
            given != kept) {
            fail(fill(Text::tr("%1: %2 has more decimals than the %3 the parameter keeps"),
                      elementName(), text, p.decimals));
        }
        p.values.push_back(stored);
    }
}

void Reader::readRegisterMap()
{
    const QJsonArray list = m_root.value("parameters").toArray();
    modbusmap::Map& map = m_image.registerMap;
    if (!m_root.contains("modbus")) {
        for (const QJsonValue& entry : list) {
            if (entry.toObject().contains("register"))
                fail(fill(Text::tr("a parameter has a \"register\", but the image has no "
                                   "\"modbus\"")));
        }
        return;
    }
    if (!m_root.value("modbus").isObject())
        fail(fill(Text::tr("\"modbus\" is not an object")));
    const QJsonObject modbus = m_root.value("modbus").toObject();
    if (modbus.contains("unit")) {
        if (!isWholeNumber(modbus.value("unit"), 1, 247))
            fail(fill(Text::tr("\"modbus\".\"unit\" is not a whole number from 1 to 247")));
        map.unit = static_cast<int>(modbus.value("unit").toDouble());
    }
    if (modbus.contains("wordOrder")) {
        const QString order = modbus.value("wordOrder").toString();
        if (order != "high-first" && order != "low-first")
            fail(fill(
                Text::tr("\"modbus\".\"wordOrder\" is neither \"high-first\" nor \"low-first\"")));
        map.wordOrder =
            order == "low-first" ? modbusmap::WordOrder::LowFirst : modbusmap::WordOrder::HighFirst;
    }
    if (modbus.contains("identificationRegister")) {
        const int last = modbusmap::kRegisterCount - modbusmap::kIdentificationRegisters;
        if (!isWholeNumber(modbus.value("identificationRegister"), 0, last)) {
            fail(fill(Text::tr("\"modbus\".\"identificationRegister\" is not a whole number "
                               "from 0 to %1"),
                      last));
        }
        map.identificationAddress =
            static_cast<int>(modbus.value("identificationRegister").toDouble());
    }
    // Parameter by parameter in number order: of several faulty ones, the one
    // with the lowest number is told.
    std::map<unsigned long, int> positions;
    for (int position = 0; position < static_cast<int>(m_image.parameters.size()); ++position)
        positions.emplace(m_image.parameters[static_cast<size_t>(position)].number, position);
    for (const auto& [number, position] : positions) {
        map.parameters.push_back(readSlot(list.at(position).toObject(),
                                          m_image.parameters[static_cast<size_t>(position)]));
    }
    std::sort(map.parameters.begin(), map.parameters.end(),
              [](const auto& a, const auto& b) { return a.address < b.address; });
    checkSlots();
    readBlock(modbus, "statusRegister", fill(Text::tr("the status block")),
              modbusmap::kStatusBlockRegisters, map.statusAddress);
    readBlock(modbus, "inputRegister", fill(Text::tr("the input block")),
              modbusmap::kInputBlockRegisters, map.inputAddress);
    const int status = map.statusAddress, input = map.inputAddress;
    if (status >= 0 && input >= 0 && status < input + modbusmap::kInputBlockRegisters &&
        input < status + modbusmap::kStatusBlockRegisters)
        fail(fill(Text::tr("the status block and the input block share holding registers")));
}

void Reader::readBlock(const QJsonObject& modbus, const char* key, const std::string& block,
                       int size, int& address) const
{
    if (!modbus.contains(key))
        return;
    const int last = modbusmap::kRegisterCount - size;
    if (!isWholeNumber(modbus.value(key), 0, last)) {
        fail(fill(Text::tr("\"modbus\".\"%1\" is not a whole number from 0 to %2 (%3 takes %4 "
                           "registers)"),
                  key, last, block, size));
    }
    address = static_cast<int>(modbus.value(key).toDouble());
    const modbusmap::Map& map = m_image.registerMap;
    const int identification = map.identificationAddress;
    if (identification >= 0 && address < identification + modbusmap::kIdentificationRegisters &&
        identification < address + size)
        fail(fill(Text::tr("%1 shares holding registers with the identification"), block));
    for (const modbusmap::Slot& slot : map.parameters) {
        if (slot.address < address + size && address < slot.end()) {
            fail(fill(Text::tr("%1 shares holding registers with parameter %2"), block,
                      slot.number));
        }
    }
}

modbusmap::Slot Reader::readSlot(const QJsonObject& object, const Parameter& p) const
{
    const std::string where = parameterText(p.number);
    modbusmap::Slot slot;
    slot.number = p.number;
    slot.elements = std::max(1UL, p.elementCount);
    slot.array = p.elementCount > 0;
    slot.decimals = p.decimals;
    slot.selection = p.isSelection();
    if (!isWholeNumber(object.value("register"), 0, modbusmap::kRegisterCount - 1)) {
        fail(fill(Text::tr("%1: \"register\" is missing or not a whole number from 0 to %2"), where,
                  modbusmap::kRegisterCount - 1));
    }
    slot.address = static_cast<int>(object.value("register").toDouble());
    if (object.contains("width")) {
        if (!isWholeNumber(object.value("width"), 1, 2))
            fail(fill(Text::tr("%1: \"width\" is neither 1 nor 2"), where));
        slot.width = static_cast<int>(object.value("width").toDouble());
    }
    if (slot.end() > modbusmap::kRegisterCount) {
        fail(fill(Text::tr("%1: its registers run past %2"), where, modbusmap::kRegisterCount - 1));
    }
    // Every value the drive may hold must travel in the registers.
    std::vector<std::string> bounds = p.values;
    for (std::int32_t choice : p.choiceValues)
        bounds.push_back(std::to_string(choice));
    for (const std::string& limit : {p.minimum, p.maximum}) {
        if (!limit.empty())
            bounds.push_back(limit);
    }
    std::uint16_t registers[2];
    std::string reason;
    for (const std::string& value : bounds) {
        if (!modbusmap::encodeValue(slot, m_image.registerMap.wordOrder, value, registers, reason))
            fail(fill(Text::tr("%1: %2 (\"width\" %3)"), where, reason, slot.width));
    }
    return slot;
}

void Reader::checkSlots() const
{
    const modbusmap::Map& map = m_image.registerMap;
    const auto& placed = map.parameters;
    for (size_t i = 1; i < placed.size(); ++i) {
        if (placed[i].address < placed[i - 1].end()) {
            fail(fill(Text::tr("parameters %1 and %2 share holding registers"),
                      placed[i - 1].number, placed[i].number));
        }
    }
    const int identification = map.identificationAddress;
    if (identification < 0)
        return;
    for (int address = identification;
         address < identification + modbusmap::kIdentificationRegisters; ++address) {
        if (const modbusmap::Slot* slot = map.slotAt(address)) {
            fail(fill(Text::tr("parameter %1 shares holding registers with the identification"),
                      slot->number));
        }
    }
}

// Writes one part of a JSON object: a part the source holds as `kept` keeps the
// source's form (`source` is null for an image made in memory); otherwise the
// part is `value`, or left out when `present` is false.
class PartWriter
{
public:
    PartWriter(QJsonObject& object, const QJsonObject* source) : m_object(object), m_source(source)
    {}

    template <typename Value>
    void write(const char* key, bool kept, bool present, const Value& value)
    {
        if (m_source && kept)
            return;
        if (present)
            m_object.insert(key, value);
        else
            m_object.remove(key);
    }

private:
    QJsonObject& m_object;
    const QJsonObject* m_source;
};

// A part of a source object, read as the parser reads it: a missing text as
// empty, a missing number as `missing`.
std::string textOf(const QJsonObject& object, const char* key)
{
    return object.value(key).toString().toStdString();
}

double numberOf(const QJsonObject& object, const char* key, double missing)
{
    return object.contains(key) ? object.value(key).toDouble() : missing;
}

// The choice texts a source entry gives, inline or by the name of a list.
std::vector<std::string> choicesOf(const QJsonObject& object, const QJsonObject& namedLists)
{
    QJsonValue choices = object.value("choices");
    if (choices.isString())
        choices = namedLists.value(choices.toString());
    std::vector<std::string> texts;
    for (const QJsonValue& item : choices.toArray())
        texts.push_back(item.toString().toStdString());
    return texts;
}

// One entry of "parameters": the source's entry for the parameter (null: none)
// with what differs written over it. `keepSlotForm`: the source has a register
// map whose form the register parts keep.
QJsonObject parameterJson(const Parameter& p, const QJsonObject* source,
                          const QJsonObject& namedLists, const modbusmap::Slot* slot,
                          bool keepSlotForm)
{
    QJsonObject object = source ? *source : QJsonObject();
    const QJsonObject empty;
    const QJsonObject& was = source ? *source : empty;
    PartWriter part(object, source);
    part.write("number", numberOf(was, "number", -1) == static_cast<double>(p.number), true,
               static_cast<double>(p.number));
    part.write("name", was.value("name").isString() && textOf(was, "name") == p.name, true,
               fromStd(p.name));
    part.write("elementCount",
               numberOf(was, "elementCount", 0) == static_cast<double>(p.elementCount),
               p.elementCount != 0, static_cast<double>(p.elementCount));
    const bool selection = p.isSelection();
    part.write("choices", choicesOf(was, namedLists) == p.choices, selection, textArray(p.choices));
    part.write("minimum", textOf(was, "minimum") == p.minimum, !selection && !p.minimum.empty(),
               fromStd(p.minimum));
    part.write("maximum", textOf(was, "maximum") == p.maximum, !selection && !p.maximum.empty(),
               fromStd(p.maximum));
    part.write("unit", textOf(was, "unit") == p.unit, !selection && !p.unit.empty(),
               fromStd(p.unit));
    part.write("decimals", !selection && numberOf(was, "decimals", 0) == p.decimals, !selection,
               p.decimals);
    // The values are always written as the drive keeps them.
    object.insert("values", textArray(p.values));

    // A width of 1, the default, is left out.
    PartWriter slotPart(object, keepSlotForm ? source : nullptr);
    slotPart.write("register", slot && numberOf(was, "register", -1) == slot->address,
                   slot != nullptr, slot ? slot->address : 0);
    slotPart.write("width", slot && numberOf(was, "width", 1) == slot->width,
                   slot && slot->width != 1, slot ? slot->width : 1);
    return object;
}

} // namespace

bool DriveImage::Parameter::accepts(const std::string& text, std::string& stored,
                                    std::string& reason) const
{
    if (isSelection()) {
        std::int32_t choice = 0;
        bool fits = false;
        if (!readChoiceValue(text, choice, fits)) {
            reason = fill(Text::tr("\"%1\" is not a choice value"), text);
            return false;
        }
        if (!fits) {
            reason = fill(Text::tr("choice value %1 is outside %2"), text, choiceRange());
            return false;
        }
        // A parameter made in memory may come without its choice values: they
        // are read from the texts then.
        const auto valueAt = [&](size_t i, std::int32_t& value) {
            if (i < choiceValues.size()) {
                value = choiceValues[i];
                return true;
            }
            bool inRange = false;
            const std::string_view item(choices[i]);
            return readChoiceValue(item.substr(0, item.find(':')), value, inRange) && inRange;
        };
        for (size_t i = 0; i < choices.size(); ++i) {
            std::int32_t value = 0;
            if (valueAt(i, value) && value == choice) {
                stored = std::to_string(choice);
                return true;
            }
        }
        reason = fill(Text::tr("choice value %1 is not in the choice list of parameter %2"), text,
                      number);
        return false;
    }
    double given = 0;
    if (!readDecimal(text, given)) {
        reason = fill(Text::tr("\"%1\" is not a decimal number"), text);
        return false;
    }
    double lowest = 0, highest = 0;
    if ((readDecimal(minimum, lowest) && given < lowest) ||
        (readDecimal(maximum, highest) && given > highest)) {
        reason = fill(Text::tr("%1 is outside the limits %2 to %3 of parameter %4"), text, minimum,
                      maximum, number);
        return false;
    }
    stored = formatFixed(given, decimals);
    return true;
}

DriveImage DriveImage::parse(const QByteArray& bytes, const std::string& where)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        throw DriveImageError(fill(Text::tr("%1: not valid JSON (%2 at offset %3)"), where,
                                   parseError.errorString().toStdString(), parseError.offset));
    }
    if (!document.isObject()) {
        throw DriveImageError(
            fill(Text::tr("%1: not a drive image (the top level is not a JSON object)"), where));
    }
    DriveImage image;
    Reader(image, where).read(document.object());
    image.m_source = document.object();
    for (size_t position = 0; position < image.parameters.size(); ++position)
        image.m_positions.emplace(image.parameters[position].number, position);
    return image;
}

QByteArray DriveImage::toJson() const
{
    const bool parsed = !m_source.isEmpty();
    QJsonObject root = m_source;
    const QJsonObject* source = parsed ? &m_source : nullptr;
    PartWriter part(root, source);

    QJsonObject drive = root.value("drive").toObject();
    PartWriter identity(drive, source);
    identity.write("type", textOf(drive, "type") == driveType, true, fromStd(driveType));
    identity.write("aocVersion", textOf(drive, "aocVersion") == aocVersion, true,
                   fromStd(aocVersion));
    identity.write("databaseVersion", textOf(drive, "databaseVersion") == databaseVersion, true,
                   fromStd(databaseVersion));
    part.write("drive", false, true, drive);
    part.write("language", textOf(root, "language") == language, true, fromStd(language));
    part.write("indexBase", numberOf(root, "indexBase", -1) == indexBase, true, indexBase);

    // The register map: the unit, word order and identification as given, or
    // their defaults left out where the source left them out.
    const bool mapped = !registerMap.empty();
    const bool wasMapped = m_source.contains("modbus");
    QJsonObject modbus = m_source.value("modbus").toObject();
    if (mapped) {
        PartWriter link(modbus, wasMapped ? source : nullptr);
        link.write("unit", numberOf(modbus, "unit", 1) == registerMap.unit, true, registerMap.unit);
        const bool lowFirst = registerMap.wordOrder == modbusmap::WordOrder::LowFirst;
        link.write("wordOrder", (modbus.value("wordOrder").toString() == "low-first") == lowFirst,
                   true, lowFirst ? "low-first" : "high-first");
        link.write("identificationRegister",
                   numberOf(modbus, "identificationRegister", -1) ==
                       registerMap.identificationAddress,
                   registerMap.identificationAddress >= 0, registerMap.identificationAddress);
        link.write("statusRegister",
                   numberOf(modbus, "statusRegister", -1) == registerMap.statusAddress,
                   registerMap.statusAddress >= 0, registerMap.statusAddress);
        link.write("inputRegister",
                   numberOf(modbus, "inputRegister", -1) == registerMap.inputAddress,
                   registerMap.inputAddress >= 0, registerMap.inputAddress);
    }
    part.write("modbus", false, mapped, modbus);

    std::map<unsigned long, QJsonObject> sources;
    for (const QJsonValue& entry : m_source.value("parameters").toArray()) {
        const QJsonObject object = entry.toObject();
        sources.emplace(static_cast<unsigned long>(object.value("number").toDouble()), object);
    }
    std::map<unsigned long, const modbusmap::Slot*> slotOf;
    for (const modbusmap::Slot& slot : registerMap.parameters)
        slotOf.emplace(slot.number, &slot);
    const QJsonObject namedLists = m_source.value("choiceLists").toObject();
    QJsonArray list;
    for (const Parameter& p : parameters) {
        const auto from = sources.find(p.number);
        const auto slot = slotOf.find(p.number);
        list.append(parameterJson(p, from == sources.end() ? nullptr : &from->second, namedLists,
                                  slot == slotOf.end() ? nullptr : slot->second, wasMapped));
    }
    part.write("parameters", false, true, list);
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}
