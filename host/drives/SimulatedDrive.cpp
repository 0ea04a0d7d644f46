#include "SimulatedDrive.h"

#include "RegisterMap.h"
#include "framework/AtomicFile.h"
#include "framework/RegularFile.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QJsonValue>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <set>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// A non-empty run of decimal digits that fits an unsigned long.
bool readDigits(std::string_view text, unsigned long& number)
{
    if (text.empty())
        return false;
    for (char c : text) {
        if (!isDigit(c))
            return false;
    }
    const auto result = std::from_chars(text.data(), text.data() + text.size(), number);
    return result.ec == std::errc() && result.ptr == text.data() + text.size();
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

using modbusmap::formatFixed;
using modbusmap::readDecimal;

bool isWholeNumber(const QJsonValue& value, double minimum, double maximum)
{
    if (!value.isDouble())
        return false;
    const double number = value.toDouble();
    return std::floor(number) == number && number >= minimum && number <= maximum;
}

std::string errnoText()
{
    return std::strerror(errno);
}

// What the host's parameter interface carries.
const std::string kChoiceRange = "-2147483648 to 2147483647";

// Whether the path names the file open as `fd`.
bool isFileAt(int fd, const std::string& path)
{
    struct stat held = {};
    struct stat named = {};
    return fstat(fd, &held) == 0 && stat(path.c_str(), &named) == 0 &&
           held.st_dev == named.st_dev && held.st_ino == named.st_ino;
}

} // namespace

SimulatedDrive::Descriptor::~Descriptor()
{
    if (m_fd >= 0)
        close(m_fd);
}

SimulatedDrive::Descriptor& SimulatedDrive::Descriptor::operator=(Descriptor&& other) noexcept
{
    if (this != &other) {
        if (m_fd >= 0)
            close(m_fd);
        m_fd = other.release();
    }
    return *this;
}

int SimulatedDrive::Descriptor::release()
{
    const int fd = m_fd;
    m_fd = -1;
    return fd;
}

SimulatedDrive::SimulatedDrive(const std::string& imagePath, Access access) : m_imagePath(imagePath)
{
    open(access);
    load();
}

SimulatedDrive::~SimulatedDrive() = default;

// --- opening and loading ---

void SimulatedDrive::imageError(const std::string& what) const
{
    throw DriveImageError(m_imagePath + ": " + what);
}

void SimulatedDrive::open(Access access)
{
    m_target = m_imagePath;
    if (char* resolved = realpath(m_imagePath.c_str(), nullptr)) {
        m_target = resolved;
        std::free(resolved);
    }

    const std::string image = "the drive image " + m_imagePath + " ";
    std::string error;
    for (int attempt = 1;; ++attempt) {
        Descriptor file(fw::openRegularFile(m_imagePath, error));
        if (file.get() < 0)
            imageError("cannot be read (" + error + ")");
        std::string readOnly =
            access == Access::Read ? image + "is opened only to be read" : std::string();
        const std::string protection = readOnly.empty() ? writeProtection() : std::string();
        if (!protection.empty())
            readOnly = image + protection;
        if (readOnly.empty() && flock(file.get(), LOCK_EX | LOCK_NB) != 0) {
            readOnly = errno == EWOULDBLOCK ? image + "is open in another host"
                                            : image + "cannot be locked (" + errnoText() + ")";
        }
        if (!fw::readRegularFile(m_imagePath, kImageSizeLimit, m_onDisk, error))
            imageError("cannot be read (" + error + ")");
        if (!readOnly.empty()) {
            m_readOnlyReason = readOnly;
            return;
        }
        // What was read must be the file that is locked: another program may have
        // replaced it in between.
        if (isFileAt(file.get(), m_imagePath)) {
            m_lock = std::move(file);
            // A save cut short left its temporary beside the image; only the
            // holder of the lock may clear it away.
            fw::removeStaleTemporaries(m_target);
            break;
        }
        if (attempt == 3)
            imageError("is being replaced on disk while it is opened; open it again");
    }
}

std::string SimulatedDrive::writeProtection() const
{
    struct stat info = {};
    if (stat(m_target.c_str(), &info) != 0)
        return {};
    if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 ||
        faccessat(AT_FDCWD, m_target.c_str(), W_OK, AT_EACCESS) != 0) {
        char mode[16];
        std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(info.st_mode & 07777));
        return std::string("is write-protected (mode ") + mode + ")";
    }
    const size_t slash = m_target.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : m_target.substr(0, slash + 1);
    if (faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) != 0)
        return "is in a write-protected folder (" + folder + ")";
    return {};
}

void SimulatedDrive::load()
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(
        QByteArray(m_onDisk.data(), static_cast<qsizetype>(m_onDisk.size())), &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        imageError("not valid JSON (" + parseError.errorString().toStdString() + " at offset " +
                   std::to_string(parseError.offset) + ")");
    }
    if (!document.isObject())
        imageError("not a drive image (the top level is not a JSON object)");
    m_root = document.object();
    readDrive();
    readParameters();
    readRegisterMap();
}

void SimulatedDrive::readDrive()
{
    const QJsonValue drive = m_root.value("drive");
    if (!drive.isObject())
        imageError("\"drive\" is missing or not an object");
    const QJsonObject identity = drive.toObject();
    auto identityText = [&](const char* key, bool mayBeEmpty) {
        const QJsonValue value = identity.value(key);
        if (!value.isString() || (!mayBeEmpty && value.toString().isEmpty()))
            imageError(std::string("\"drive\".\"") + key + "\" is missing or not a text");
        return value.toString().toStdString();
    };
    m_driveType = identityText("type", false);
    m_aocVersion = identityText("aocVersion", true);
    m_databaseVersion = identityText("databaseVersion", false);

    const QJsonValue language = m_root.value("language");
    if (!language.isString() || language.toString().isEmpty())
        imageError("\"language\" is missing or not a text");
    m_language = language.toString().toStdString();

    const QJsonValue indexBase = m_root.value("indexBase");
    if (!isWholeNumber(indexBase, 0, INT_MAX))
        imageError("\"indexBase\" is missing or not a whole number of at least 0");
    m_indexBase = static_cast<int>(indexBase.toDouble());
}

void SimulatedDrive::readParameters()
{
    QJsonObject namedLists;
    if (m_root.contains("choiceLists")) {
        if (!m_root.value("choiceLists").isObject())
            imageError("\"choiceLists\" is not an object");
        namedLists = m_root.value("choiceLists").toObject();
    }
    const QJsonValue parameters = m_root.value("parameters");
    if (!parameters.isArray() || parameters.toArray().isEmpty())
        imageError("\"parameters\" is missing or not a non-empty array");
    const QJsonArray list = parameters.toArray();
    for (int position = 0; position < list.size(); ++position) {
        if (!list.at(position).isObject())
            imageError("entry " + std::to_string(position) + " of \"parameters\" is not an object");
        readParameter(list.at(position).toObject(), position, namedLists);
    }
}

void SimulatedDrive::readParameter(const QJsonObject& object, int position,
                                   const QJsonObject& namedLists)
{
    Parameter p;
    p.jsonPosition = position;
    readIdentity(object, p);
    const std::string where = "parameter " + std::to_string(p.number);
    readElementCount(object, where, p);
    if (object.contains("choices"))
        readChoices(object, namedLists, where, p);
    else
        readLimits(object, where, p);
    readValues(object, where, p);
    m_parameters.emplace(p.number, std::move(p));
}

void SimulatedDrive::readIdentity(const QJsonObject& object, Parameter& p) const
{
    const std::string entry = "entry " + std::to_string(p.jsonPosition) + " of \"parameters\"";
    if (!isWholeNumber(object.value("number"), 0, 4294967295.0))
        imageError(entry + ": \"number\" is missing or not a parameter number");
    p.number = static_cast<unsigned long>(object.value("number").toDouble());
    const std::string where = "parameter " + std::to_string(p.number);
    if (m_parameters.count(p.number))
        imageError(where + " is listed twice");
    if (!object.value("name").isString())
        imageError(where + ": \"name\" is missing or not a text");
    p.name = object.value("name").toString().toStdString();
}

void SimulatedDrive::readElementCount(const QJsonObject& object, const std::string& where,
                                      Parameter& p) const
{
    if (!object.contains("elementCount"))
        return;
    const QJsonValue count = object.value("elementCount");
    if (isWholeNumber(count, kMaxArrayElements + 1, 1e15)) {
        imageError(where + ": \"elementCount\" " +
                   std::to_string(static_cast<long long>(count.toDouble())) +
                   " is too large: a parameter has at most " + std::to_string(kMaxArrayElements) +
                   " elements");
    }
    if (!isWholeNumber(count, 0, kMaxArrayElements)) {
        imageError(where + ": \"elementCount\" is not a whole number from 0 to " +
                   std::to_string(kMaxArrayElements));
    }
    p.elementCount = static_cast<unsigned long>(count.toDouble());
    const long long last = m_indexBase + static_cast<long long>(p.elementCount) - 1;
    if (last > INT_MAX) {
        imageError(where + ": indexes " + std::to_string(m_indexBase) + " to " +
                   std::to_string(last) + " exceed " + std::to_string(INT_MAX) +
                   ", the highest index the host's parameter interface carries");
    }
}

void SimulatedDrive::readChoices(const QJsonObject& object, const QJsonObject& namedLists,
                                 const std::string& where, Parameter& p) const
{
    QJsonValue choices = object.value("choices");
    if (choices.isString()) {
        const QString name = choices.toString();
        if (!namedLists.contains(name)) {
            imageError(where + ": \"choices\" names the list \"" + name.toStdString() +
                       "\", which \"choiceLists\" does not hold");
        }
        choices = namedLists.value(name);
    }
    if (!choices.isArray() || choices.toArray().isEmpty())
        imageError(where + ": \"choices\" is not a non-empty list of \"<value>:<text>\" items");
    std::set<std::int32_t> seen;
    for (const QJsonValue& item : choices.toArray()) {
        const std::int32_t value = readChoice(item, where);
        if (!seen.insert(value).second)
            imageError(where + ": choice value " + std::to_string(value) + " is listed twice");
        p.choices.push_back(item.toString().toStdString());
        p.choiceValues.push_back(value);
    }
    for (const char* key : {"minimum", "maximum", "unit", "decimals"}) {
        if (object.contains(key))
            imageError(where + ": a selection parameter has no \"" + key + "\"");
    }
}

std::int32_t SimulatedDrive::readChoice(const QJsonValue& item, const std::string& where) const
{
    const std::string text = item.toString().toStdString();
    const size_t colon = text.find(':');
    std::int32_t value = 0;
    bool fits = false;
    if (!item.isString() || colon == std::string::npos ||
        !readChoiceValue(std::string_view(text).substr(0, colon), value, fits) ||
        colon + 1 >= text.size() || text[colon + 1] == ':') {
        imageError(where + ": choice \"" + text + "\" is not of the form <value>:<text>");
    }
    if (!fits) {
        imageError(where + ": choice value " + text.substr(0, colon) + " is outside " +
                   kChoiceRange + ", the values the host's parameter interface carries");
    }
    return value;
}

void SimulatedDrive::readLimits(const QJsonObject& object, const std::string& where,
                                Parameter& p) const
{
    const auto text = [&](const char* key, bool isNumber) {
        if (!object.contains(key))
            return std::string();
        if (!object.value(key).isString())
            imageError(where + ": \"" + key + "\" is not a text");
        const std::string text = object.value(key).toString().toStdString();
        double ignored = 0;
        if (isNumber && !text.empty() && !readDecimal(text, ignored))
            imageError(where + ": \"" + key + "\" \"" + text + "\" is not a decimal number");
        return text;
    };
    p.minimum = text("minimum", true);
    p.maximum = text("maximum", true);
    p.unit = text("unit", false);
    if (object.contains("decimals")) {
        if (!isWholeNumber(object.value("decimals"), 0, 9))
            imageError(where + ": \"decimals\" is not a whole number from 0 to 9");
        p.decimals = static_cast<int>(object.value("decimals").toDouble());
    }
}

void SimulatedDrive::readValues(const QJsonObject& object, const std::string& where,
                                Parameter& p) const
{
    const QJsonValue values = object.value("values");
    const size_t expected = p.elementCount == 0 ? 1 : p.elementCount;
    if (!values.isArray() || static_cast<size_t>(values.toArray().size()) != expected) {
        imageError(where + ": \"values\" must be a list of " + std::to_string(expected) +
                   (expected == 1 ? " value" : " values"));
    }
    const QJsonArray valueList = values.toArray();
    for (int element = 0; element < valueList.size(); ++element) {
        const std::string elementName =
            p.elementCount == 0 ? where : where + " element " + std::to_string(element);
        if (!valueList.at(element).isString())
            imageError(elementName + ": the value is not a text");
        std::string stored, reason;
        const std::string text = valueList.at(element).toString().toStdString();
        if (!checkValue(p, text, stored, reason))
            imageError(elementName + ": " + reason);
        // A drive holds no more decimals than the parameter has: a value that
        // would change when stored is an error in the file, never rounded unsaid.
        double given = 0, kept = 0;
        if (!p.isSelection() && readDecimal(text, given) && readDecimal(stored, kept) &&
            given != kept) {
            imageError(elementName + ": " + text + " has more decimals than the " +
                       std::to_string(p.decimals) + " the parameter keeps");
        }
        p.values.push_back(stored);
    }
}

void SimulatedDrive::readRegisterMap()
{
    const QJsonArray list = m_root.value("parameters").toArray();
    if (!m_root.contains("modbus")) {
        for (const QJsonValue& entry : list) {
            if (entry.toObject().contains("register"))
                imageError("a parameter has a \"register\", but the image has no \"modbus\"");
        }
        return;
    }
    if (!m_root.value("modbus").isObject())
        imageError("\"modbus\" is not an object");
    const QJsonObject modbus = m_root.value("modbus").toObject();
    if (modbus.contains("unit")) {
        if (!isWholeNumber(modbus.value("unit"), 1, 247))
            imageError("\"modbus\".\"unit\" is not a whole number from 1 to 247");
        m_registerMap.unit = static_cast<int>(modbus.value("unit").toDouble());
    }
    if (modbus.contains("wordOrder")) {
        const QString order = modbus.value("wordOrder").toString();
        if (order != "high-first" && order != "low-first")
            imageError("\"modbus\".\"wordOrder\" is neither \"high-first\" nor \"low-first\"");
        m_registerMap.wordOrder =
            order == "low-first" ? modbusmap::WordOrder::LowFirst : modbusmap::WordOrder::HighFirst;
    }
    if (modbus.contains("identificationRegister")) {
        const int last = modbusmap::kRegisterCount - modbusmap::kIdentificationRegisters;
        if (!isWholeNumber(modbus.value("identificationRegister"), 0, last)) {
            imageError("\"modbus\".\"identificationRegister\" is not a whole number from 0 to " +
                       std::to_string(last));
        }
        m_registerMap.identificationAddress =
            static_cast<int>(modbus.value("identificationRegister").toDouble());
    }
    for (const auto& [number, p] : m_parameters)
        m_registerMap.parameters.push_back(readSlot(list.at(p.jsonPosition).toObject(), p));
    std::sort(m_registerMap.parameters.begin(), m_registerMap.parameters.end(),
              [](const auto& a, const auto& b) { return a.address < b.address; });
    checkSlots();
}

modbusmap::Slot SimulatedDrive::readSlot(const QJsonObject& object, const Parameter& p) const
{
    const std::string where = "parameter " + std::to_string(p.number);
    modbusmap::Slot slot;
    slot.number = p.number;
    slot.elements = std::max(1UL, p.elementCount);
    slot.array = p.elementCount > 0;
    slot.decimals = p.decimals;
    slot.selection = p.isSelection();
    if (!isWholeNumber(object.value("register"), 0, modbusmap::kRegisterCount - 1)) {
        imageError(where + ": \"register\" is missing or not a whole number from 0 to " +
                   std::to_string(modbusmap::kRegisterCount - 1));
    }
    slot.address = static_cast<int>(object.value("register").toDouble());
    if (object.contains("width")) {
        if (!isWholeNumber(object.value("width"), 1, 2))
            imageError(where + ": \"width\" is neither 1 nor 2");
        slot.width = static_cast<int>(object.value("width").toDouble());
    }
    if (slot.end() > modbusmap::kRegisterCount) {
        imageError(where + ": its registers run past " +
                   std::to_string(modbusmap::kRegisterCount - 1));
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
        if (!modbusmap::encodeValue(slot, m_registerMap.wordOrder, value, registers, reason))
            imageError(where + ": " + reason + " (\"width\" " + std::to_string(slot.width) + ")");
    }
    return slot;
}

void SimulatedDrive::checkSlots() const
{
    const auto& placed = m_registerMap.parameters;
    for (size_t i = 1; i < placed.size(); ++i) {
        if (placed[i].address < placed[i - 1].end()) {
            imageError("parameters " + std::to_string(placed[i - 1].number) + " and " +
                       std::to_string(placed[i].number) + " share holding registers");
        }
    }
    const int identification = m_registerMap.identificationAddress;
    if (identification < 0)
        return;
    for (int address = identification;
         address < identification + modbusmap::kIdentificationRegisters; ++address) {
        if (const modbusmap::Slot* slot = m_registerMap.slotAt(address)) {
            imageError("parameter " + std::to_string(slot->number) +
                       " shares holding registers with the identification");
        }
    }
}

bool SimulatedDrive::checkValue(const Parameter& parameter, const std::string& text,
                                std::string& stored, std::string& reason) const
{
    if (parameter.isSelection()) {
        std::int32_t choice = 0;
        bool fits = false;
        if (!readChoiceValue(text, choice, fits)) {
            reason = "\"" + text + "\" is not a choice value";
            return false;
        }
        if (!fits) {
            reason = "choice value " + text + " is outside " + kChoiceRange;
            return false;
        }
        for (std::int32_t value : parameter.choiceValues) {
            if (value == choice) {
                stored = std::to_string(choice);
                return true;
            }
        }
        reason = "choice value " + text + " is not in the choice list of parameter " +
                 std::to_string(parameter.number);
        return false;
    }
    double number = 0;
    if (!readDecimal(text, number)) {
        reason = "\"" + text + "\" is not a decimal number";
        return false;
    }
    double minimum = 0, maximum = 0;
    if ((readDecimal(parameter.minimum, minimum) && number < minimum) ||
        (readDecimal(parameter.maximum, maximum) && number > maximum)) {
        reason = text + " is outside the limits " + parameter.minimum + " to " + parameter.maximum +
                 " of parameter " + std::to_string(parameter.number);
        return false;
    }
    stored = formatFixed(number, parameter.decimals);
    return true;
}

// --- saving ---

void SimulatedDrive::checkImageUnchanged() const
{
    const std::string changed = "it changed on disk since it was opened; reopen it";
    if (!isFileAt(m_lock.get(), m_target))
        throw DriveRefusal(changed);
    std::string content, error;
    if (!fw::readRegularFile(m_target, kImageSizeLimit, content, error) || content != m_onDisk)
        throw DriveRefusal(changed);
    const std::string protection = writeProtection();
    if (!protection.empty())
        throw DriveRefusal("it " + protection);
}

QByteArray SimulatedDrive::imageWith(const Parameters& parameters) const
{
    QJsonArray list = m_root.value("parameters").toArray();
    for (const auto& [number, p] : parameters) {
        QJsonObject object = list.at(p.jsonPosition).toObject();
        QJsonArray values;
        for (const std::string& value : p.values)
            values.append(QString::fromStdString(value));
        object.insert("values", values);
        list.replace(p.jsonPosition, object);
    }
    QJsonObject root = m_root;
    root.insert("parameters", list);
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

void SimulatedDrive::save(const Parameters& parameters)
{
    const QByteArray bytes = imageWith(parameters);
    const auto fail = [&](const std::string& what) {
        throw DriveRefusal("cannot save the drive image " + m_imagePath + ": " + what);
    };
    const auto checkUnchanged = [&] {
        try {
            checkImageUnchanged();
        } catch (const DriveRefusal& refused) {
            fail(refused.what());
        }
    };
    checkUnchanged();
    // The image is replaced as a whole: the old file stays until the new one is on
    // disk, with the old one's owner and mode. Given up, the new file is removed.
    fw::AtomicFile file(m_target);
    std::string error;
    if (!file.open(error))
        fail(error);
    // Locked before it becomes the image, so that the lock never lapses. The lock
    // lives on in this second descriptor when the file closes its own.
    Descriptor locked(fcntl(file.handle(), F_DUPFD_CLOEXEC, 0));
    if (locked.get() < 0 || flock(locked.get(), LOCK_EX | LOCK_NB) != 0)
        fail("cannot lock the new file (" + errnoText() + ")");
    if (!file.write(bytes.constData(), static_cast<size_t>(bytes.size()), error))
        fail(error);
    checkUnchanged(); // again: someone may have changed it while this drive wrote
    const bool committed = file.commit(error);
    if (committed || !isFileAt(m_lock.get(), m_target)) {
        // In place (a failure after the rename is the folder's flush): this drive now
        // holds the new file.
        m_lock = std::move(locked); // closes the replaced file, and so lets go of its lock
        m_onDisk.assign(bytes.constData(), static_cast<size_t>(bytes.size()));
    }
    if (!committed)
        fail(error);
}

// --- calls ---

void SimulatedDrive::stopFailing()
{
    m_failAt = 0;
    m_failingOperation.clear();
}

size_t SimulatedDrive::callCount(const std::string& operation) const
{
    const auto it = m_callCounts.find(operation);
    return it == m_callCounts.end() ? 0 : it->second;
}

void SimulatedDrive::resetCalls()
{
    m_callCount = 0;
    m_callCounts.clear();
    m_simulatedDelay = std::chrono::nanoseconds(0);
}

void SimulatedDrive::enter(const char* operation)
{
    ++m_callCount;
    ++m_callCounts[operation];
    m_operation = operation;
    if (m_callDelay.count() > 0) {
        const auto start = std::chrono::steady_clock::now();
        std::this_thread::sleep_for(m_callDelay);
        m_simulatedDelay += std::chrono::steady_clock::now() - start;
    }
    if (m_callCount == m_failAt || m_failingOperation == operation)
        refuse("simulated failure of call " + std::to_string(m_callCount));
}

void SimulatedDrive::refuse(const std::string& reason)
{
    m_lastRefusal = m_operation + ": " + reason;
    if (m_operation == "WriteParameterValues" && m_writeRefusalObserver)
        m_writeRefusalObserver(m_lastRefusal);
    throw DriveRefusal(m_lastRefusal);
}

const SimulatedDrive::Parameter& SimulatedDrive::find(const std::string& numberText)
{
    return findMutable(numberText);
}

SimulatedDrive::Parameter& SimulatedDrive::findMutable(const std::string& numberText)
{
    unsigned long number = 0;
    if (!readDigits(numberText, number))
        refuse("\"" + numberText + "\" is not a parameter number");
    const auto it = m_parameters.find(number);
    if (it == m_parameters.end())
        refuse("no parameter " + numberText);
    return it->second;
}

const SimulatedDrive::Parameter& SimulatedDrive::findIdentified(const std::string& identifier,
                                                                long& index)
{
    const size_t dot = identifier.find('.');
    index = -1;
    if (dot != std::string::npos) {
        unsigned long element = 0;
        if (!readDigits(std::string_view(identifier).substr(dot + 1), element) ||
            element > LONG_MAX) {
            refuse("\"" + identifier + "\" is not a parameter identifier");
        }
        index = static_cast<long>(element);
    }
    return find(identifier.substr(0, dot));
}

size_t SimulatedDrive::elementFor(const Parameter& parameter, long index)
{
    long element = -1;
    std::string reason;
    if (!elementOf(parameter.number, index, element, reason))
        refuse(reason);
    return element == -1 ? 0 : static_cast<size_t>(element);
}

bool SimulatedDrive::elementOf(unsigned long number, long index, long& element,
                               std::string& reason) const
{
    const auto it = m_parameters.find(number);
    const std::string text = std::to_string(number);
    element = -1;
    if (it == m_parameters.end()) {
        reason = "no parameter " + text;
        return false;
    }
    const Parameter& parameter = it->second;
    if (index == -1) {
        if (parameter.elementCount != 0)
            reason = "parameter " + text + " has elements; it needs an index";
        return parameter.elementCount == 0;
    }
    if (parameter.elementCount == 0) {
        reason = "parameter " + text + " has no elements (index " + std::to_string(index) + ")";
        return false;
    }
    element = index - m_indexBase;
    if (element < 0 || static_cast<unsigned long>(element) >= parameter.elementCount) {
        reason = "parameter " + text + " has no element " + std::to_string(index) + " (indexes " +
                 std::to_string(m_indexBase) + " to " +
                 std::to_string(m_indexBase + static_cast<long>(parameter.elementCount) - 1) + ")";
        element = -1;
        return false;
    }
    return true;
}

bool SimulatedDrive::accepts(unsigned long number, const std::string& text, std::string& stored,
                             std::string& reason) const
{
    const auto it = m_parameters.find(number);
    if (it == m_parameters.end()) {
        reason = "no parameter " + std::to_string(number);
        return false;
    }
    return checkValue(it->second, text, stored, reason);
}

bool SimulatedDrive::hasParameter(unsigned long number) const
{
    return m_parameters.count(number) != 0;
}

std::string SimulatedDrive::value(unsigned long number, long element) const
{
    const auto it = m_parameters.find(number);
    if (it == m_parameters.end())
        throw DriveRefusal("no parameter " + std::to_string(number));
    const Parameter& p = it->second;
    const bool fits = element == -1
                          ? p.elementCount == 0
                          : element >= 0 && static_cast<unsigned long>(element) < p.elementCount;
    if (!fits) {
        throw DriveRefusal("parameter " + std::to_string(number) + " has no element " +
                           std::to_string(element));
    }
    return p.values[element == -1 ? 0 : static_cast<size_t>(element)];
}

std::string SimulatedDrive::GetParameterName(const std::string& number)
{
    enter("GetParameterName");
    return find(number).name;
}

int SimulatedDrive::ReadParameterValue(const std::string& number, int index, std::string& value,
                                       const std::string& setup)
{
    enter("ReadParameterValue");
    if (setup != kSetupName)
        refuse("no setup \"" + setup + "\"");
    const Parameter& p = find(number);
    value = p.values[elementFor(p, index)];
    return 1;
}

int SimulatedDrive::WriteParameterValues(const std::vector<std::string>& identifiers,
                                         const std::vector<std::string>& values,
                                         const std::string& setup, int /*flag*/)
{
    enter("WriteParameterValues");
    if (readOnly())
        refuse(m_readOnlyReason + ", so it is read-only here");
    if (setup != kSetupName)
        refuse("no setup \"" + setup + "\"");
    if (identifiers.size() != values.size()) {
        refuse(std::to_string(identifiers.size()) + " identifiers but " +
               std::to_string(values.size()) + " values");
    }
    Parameters changed = withValues(identifiers, values);
    try {
        save(changed);
    } catch (const DriveRefusal& failure) {
        refuse(failure.what());
    }
    m_parameters = std::move(changed);
    return 1;
}

SimulatedDrive::Parameters SimulatedDrive::withValues(const std::vector<std::string>& identifiers,
                                                      const std::vector<std::string>& values)
{
    // Every entry is checked against a copy; the drive changes only once the image is saved.
    Parameters changed = m_parameters;
    for (size_t i = 0; i < identifiers.size(); ++i) {
        long index = -1;
        Parameter& p = changed.at(findIdentified(identifiers[i], index).number);
        const size_t element = elementFor(p, index);
        std::string stored, reason;
        if (!checkValue(p, values[i], stored, reason))
            refuse(identifiers[i] + ": " + reason);
        p.values[element] = stored;
    }
    return changed;
}

std::vector<std::string> SimulatedDrive::GetChoiceList(const std::string& identifier)
{
    enter("GetChoiceList");
    long index = -1;
    const Parameter& p = findIdentified(identifier, index);
    if (index != -1)
        elementFor(p, index);
    return p.choices;
}

unsigned long SimulatedDrive::GetElementCount(const std::string& number)
{
    enter("GetElementCount");
    return find(number).elementCount;
}

int SimulatedDrive::GetParameterAttributes(const std::string& number, int index,
                                           std::string& minimum, std::string& maximum,
                                           std::string& unit, std::string& decimals)
{
    enter("GetParameterAttributes");
    const Parameter& p = find(number);
    // The attributes belong to the parameter; an index, when given, must still exist.
    if (index != -1)
        elementFor(p, index);
    if (p.isSelection()) {
        std::int32_t lowest = p.choiceValues.front(), highest = p.choiceValues.front();
        for (std::int32_t value : p.choiceValues) {
            lowest = std::min(lowest, value);
            highest = std::max(highest, value);
        }
        minimum = std::to_string(lowest);
        maximum = std::to_string(highest);
        unit.clear();
        decimals = std::to_string(0);
    } else {
        minimum = p.minimum;
        maximum = p.maximum;
        unit = p.unit;
        decimals = std::to_string(p.decimals);
    }
    return 1;
}

int SimulatedDrive::GetDriveIdentity(std::string& driveName, std::string& aocVersion,
                                     std::string& dbVersion)
{
    enter("GetDriveIdentity");
    driveName = m_driveType;
    aocVersion = m_aocVersion;
    dbVersion = m_databaseVersion;
    return 1;
}

int SimulatedDrive::RegisterParameters(const std::vector<std::string>& numbers)
{
    enter("RegisterParameters");
    for (const std::string& number : numbers)
        find(number);
    m_registered = numbers;
    return 1;
}

std::string SimulatedDrive::GetLanguage()
{
    enter("GetLanguage");
    return m_language;
}

int SimulatedDrive::GetIndexBase()
{
    enter("GetIndexBase");
    return m_indexBase;
}
