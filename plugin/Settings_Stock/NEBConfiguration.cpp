#include "Settings_Stock/NEBConfiguration.h"

#include "External_Data_Manager/ExternalDataManager.h"
#include "framework/Format.h"
#include "framework/MessageBox.h"
#include "framework/NumberText.h"
#include "framework/RegularFile.h"
#include "framework/SystemPaths.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <stdexcept>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_set>
#include <zlib.h>

namespace {

constexpr const char* kNotFound = "Parameter node not found";

const char* const kRelatedParameters[] = {
    "NEB_MODE",      "EVENT",        "ACTION",       "TIMER",         "COMP_OPERAND",
    "COMP_OPERATOR", "COMP_VALUE",   "LR_OPERAND_1", "LR_OPERATOR_1", "LR_OPERAND_2",
    "LR_OPERATOR_2", "LR_OPERAND_3", "NEB_START_EV", "NEB_STOP_EV",
};

std::string withoutDots(std::string text)
{
    text.erase(std::remove(text.begin(), text.end(), '.'), text.end());
    return text;
}

// A version's first two and last two characters, read as a number (NN.NN -> NNNN).
unsigned long versionNumber(const std::string& version)
{
    if (version.size() < 2)
        return fw::readULong(version + version);
    return fw::readULong(version.substr(0, 2) + version.substr(version.size() - 2));
}

enum class FileRead
{
    Missing,
    Unopenable, // there, but cannot be opened (no permission, a loop of links)
    Read,
    Refused
};

// What zlib reports for a stream, without the "<fd:3>: " it puts in front for a descriptor.
std::string zlibReason(gzFile file, int& code)
{
    const std::string message = gzerror(file, &code);
    const size_t named = message.rfind(">: ");
    return message.rfind("<fd:", 0) == 0 && named != std::string::npos ? message.substr(named + 3)
                                                                       : message;
}

// The class's limit as a constant of this file: taking the member itself by
// reference (std::min) would make the library export it as a unique symbol, and
// a library with one cannot be unloaded.
constexpr size_t kMaxText = CNEBConfiguration::kMaxTextSize;

// What a gzip file says its content's size is (its last four bytes: the size of
// the last member, modulo 4 GiB), capped to the most that is read; a hint to
// reserve the text at once, 0 when there is none or it cannot be true. The
// file's position stays.
size_t unpackedSizeHint(int descriptor)
{
    struct stat info
    {};
    unsigned char trailer[4];
    if (fstat(descriptor, &info) != 0 || info.st_size < 18 ||
        pread(descriptor, trailer, sizeof trailer, info.st_size - 4) != sizeof trailer)
        return 0;
    const size_t size = size_t(trailer[0]) | size_t(trailer[1]) << 8 | size_t(trailer[2]) << 16 |
                        size_t(trailer[3]) << 24;
    // Deflate packs at most about 1032 bytes into one: a larger claim is no size.
    return size <= size_t(info.st_size) * 1032 ? std::min(size, kMaxText) : 0;
}

// Reads the whole decompressed file into `text`. Only a regular file is opened
// (never blocking on a FIFO), and no more than kMaxText bytes are read.
FileRead readFile(const std::string& path, std::string& text, std::string& reason)
{
    bool missing = false;
    const int descriptor = fw::openRegularFile(path, reason, &missing);
    if (descriptor < 0) {
        if (missing)
            return FileRead::Missing;
        // Something that can be opened but is no regular file (a FIFO, a folder)
        // is refused; a file that cannot be opened counts as none.
        struct stat info
        {};
        return stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode) ? FileRead::Refused
                                                                        : FileRead::Unopenable;
    }
    const gzFile file = gzdopen(descriptor, "rb");
    if (!file) {
        close(descriptor);
        reason = "cannot be read: out of memory";
        return FileRead::Refused;
    }
    // Read straight into the text, in blocks; one block more than the most that is
    // read tells a file that is too large.
    constexpr size_t kBlock = 64 * 1024;
    text.clear();
    text.reserve(unpackedSizeHint(descriptor) + kBlock);
    int count = 0;
    do {
        const size_t size = text.size();
        if (size > kMaxText) {
            reason =
                "larger than " + fw::sizeText(kMaxText) + " uncompressed, the most that is read";
            gzclose(file);
            text.clear();
            return FileRead::Refused;
        }
        text.resize(size + kBlock);
        count = gzread(file, text.data() + size, static_cast<unsigned>(kBlock));
        text.resize(size + static_cast<size_t>(std::max(count, 0)));
    } while (count > 0);
    // A read error, or a compressed stream that ends early (gzread then just stops).
    int code = Z_OK;
    const std::string zlibError = zlibReason(file, code);
    gzclose(file);
    if (code == Z_OK)
        return FileRead::Read;
    reason = "cannot be read: " + zlibError;
    return FileRead::Refused;
}

// "line 3, column 17": where byte `offset` of `text` lies, both counted from 1.
std::string position(const std::string& text, size_t offset)
{
    offset = std::min(offset, text.size());
    size_t line = 1, lineStart = 0;
    for (size_t i = 0; i < offset; ++i) {
        if (text[i] == '\n') {
            ++line;
            lineStart = i + 1;
        }
    }
    return fw::format("line %zu, column %zu", line, offset - lineStart + 1);
}

// pugixml's own checks, plus document-level text kept as nodes so that it can be
// refused (the parser drops it otherwise). A document without an element then
// parses as well, and is refused by checkDocument.
constexpr unsigned kParseOptions =
    pugi::parse_default | pugi::parse_embed_pcdata | pugi::parse_fragment;

// The first place where a document is not well-formed XML, and why.
struct Malformed
{
    size_t offset = std::string::npos;
    std::string reason;
    bool skipsSpace = false; // the offset is that of text with leading white space

    explicit operator bool() const { return !reason.empty(); }
    // Keeps the fault that comes first in the document.
    void note(size_t at, const char* why, bool spaceFirst = false)
    {
        if (*this && offset <= at)
            return;
        offset = at;
        reason = why;
        skipsSpace = spaceFirst;
    }
};

// Whether the '&' at `amp` starts "&lt;", "&gt;", "&amp;", "&apos;", "&quot;",
// "&#<digits>;" or "&#x<hex digits>;".
bool isKnownReference(const char* amp, const char* end)
{
    const char* p = amp + 1;
    if (p < end && *p == '#') {
        const bool hex = ++p < end && *p == 'x';
        p += hex ? 1 : 0;
        const char* const digits = p;
        while (p < end && (hex ? std::isxdigit(static_cast<unsigned char>(*p))
                               : std::isdigit(static_cast<unsigned char>(*p))))
            ++p;
        return p > digits && p < end && *p == ';';
    }
    for (const std::string_view name : {"lt;", "gt;", "amp;", "apos;", "quot;"}) {
        if (static_cast<size_t>(end - p) >= name.size() &&
            std::memcmp(p, name.data(), name.size()) == 0)
            return true;
    }
    return false;
}

// One past the end of the comment, CDATA section, processing instruction or
// document type declaration that starts at `lt` (the end of the text when it is
// not closed); null when none starts there. Inside these '&' is plain text.
const char* sectionEnd(const char* lt, const char* end)
{
    const auto startsWith = [&](std::string_view opening) {
        return static_cast<size_t>(end - lt) >= opening.size() &&
               std::memcmp(lt, opening.data(), opening.size()) == 0;
    };
    const auto after = [&](const char* from, std::string_view closing) {
        const char* const found = std::search(from, end, closing.begin(), closing.end());
        return found == end ? end : found + closing.size();
    };
    if (startsWith("<!--"))
        return after(lt + 4, "-->");
    if (startsWith("<![CDATA["))
        return after(lt + 9, "]]>");
    if (startsWith("<?"))
        return after(lt + 2, "?>");
    if (!startsWith("<!"))
        return nullptr;
    // The document type: up to its '>' outside quotes and the internal subset.
    int depth = 0;
    for (const char* p = lt + 2; p < end; ++p) {
        if (*p == '"' || *p == '\'') {
            p = std::find(p + 1, end, *p);
            if (p == end)
                return end;
        } else if (*p == '[') {
            ++depth;
        } else if (*p == ']') {
            --depth;
        } else if (*p == '>' && depth <= 0) {
            return p + 1;
        }
    }
    return end;
}

// The parser leaves an '&' that starts no reference it knows (an undefined
// entity, a stray '&') as text. Finds the first such '&' outside comments,
// CDATA sections, processing instructions and the document type, which are
// looked for only when a suspect '&' is found, each part of the text once.
void findUnknownReference(const char* text, size_t length, Malformed& fault)
{
    const char* const end = text + length;
    const char* scanned = text; // where no section has begun before
    const char* amp = static_cast<const char*>(std::memchr(text, '&', length));
    while (amp) {
        const char* next = amp + 1;
        if (!isKnownReference(amp, end)) {
            const char* sectionStop = nullptr;
            while (!sectionStop) {
                const char* lt = static_cast<const char*>(
                    std::memchr(scanned, '<', static_cast<size_t>(amp - scanned)));
                if (!lt)
                    break;
                const char* stop = sectionEnd(lt, end);
                scanned = stop ? stop : lt + 1;
                if (stop && stop > amp)
                    sectionStop = stop;
            }
            if (!sectionStop) {
                fault.note(static_cast<size_t>(amp - text), "Undefined entity or stray '&'");
                return;
            }
            next = sectionStop;
        }
        amp = static_cast<const char*>(std::memchr(next, '&', static_cast<size_t>(end - next)));
    }
}

// Whether two attributes of `element` have the same name.
bool hasDuplicateAttribute(const pugi::xml_node& element, pugi::xml_attribute& duplicate)
{
    const pugi::xml_attribute first = element.first_attribute();
    if (!first || !first.next_attribute())
        return false;
    std::unordered_set<std::string_view> names;
    for (pugi::xml_attribute attribute = first; attribute; attribute = attribute.next_attribute()) {
        if (!names.insert(attribute.name()).second) {
            duplicate = attribute;
            return true;
        }
    }
    return false;
}

// What the parser lets pass of a document that is not well-formed: no document
// element or more than one, text outside it, an element with two attributes of
// one name. One walk over the nodes; offsets are those the parser counts in.
void checkDocument(const pugi::xml_document& document, size_t length, Malformed& fault)
{
    int elements = 0;
    for (pugi::xml_node node = document.first_child(); node; node = node.next_sibling()) {
        const pugi::xml_node_type type = node.type();
        if (type == pugi::node_element && ++elements == 2)
            fault.note(static_cast<size_t>(node.offset_debug() - 1),
                       "More than one document element");
        else if (type == pugi::node_pcdata || type == pugi::node_cdata)
            fault.note(static_cast<size_t>(node.offset_debug()),
                       "Text outside the document element", true);
    }
    if (elements == 0)
        fault.note(length > 0 ? length - 1 : 0, "No document element found");

    // Every node in document order (only elements have attributes), without
    // recursion: a file may nest elements deeper than any stack holds.
    pugi::xml_node current = document.first_child();
    while (current) {
        pugi::xml_attribute duplicate;
        if (hasDuplicateAttribute(current, duplicate)) {
            fault.note(
                static_cast<size_t>(current.offset_debug() + (duplicate.name() - current.name())),
                "Duplicate attribute");
            return;
        }
        if (current.first_child()) {
            current = current.first_child();
            continue;
        }
        while (current && !current.next_sibling())
            current = current.parent();
        if (current)
            current = current.next_sibling();
    }
}

// A file that cannot be used: one log line and one message box, both naming it.
void refuse(const std::string& path, const std::string& reason)
{
    const std::string text = "Drive configuration " + path + ": " + reason;
    [[maybe_unused]] const CCustomException logged = NEB_TEXT_EXCEPTION(text); // not thrown
    fw::messageBox(text, fw::MB_OK);
}

} // namespace

CNEBConfiguration::CNEBConfiguration() = default;
CNEBConfiguration::CNEBConfiguration(const CNEBConfiguration& other) = default;
CNEBConfiguration& CNEBConfiguration::operator=(const CNEBConfiguration& other) = default;
CNEBConfiguration::~CNEBConfiguration() = default;

void CNEBConfiguration::init() {}

void CNEBConfiguration::init(const std::string& driveName, const std::string& aocVersion,
                             const std::string& dbVersion)
{
    createDocument();
    m_driveName = driveName;
    m_aocVersion = withoutDots(aocVersion);
    m_dbVersion = withoutDots(dbVersion);
    m_driveNode = pugi::xml_node();

    if (!load(fw::executableDirectory() + kFileName))
        return; // no file: nothing loaded, no error

    if (!initDriveNode())
        throw NEB_TEXT_EXCEPTION(kNotFound);
}

void CNEBConfiguration::createDocument()
{
    m_documentCreated = true;
    m_document = std::make_shared<LoadedDocument>();
}

bool CNEBConfiguration::load(const std::string& path)
{
    std::string reason;
    switch (readFile(path, m_document->text, reason)) {
    case FileRead::Missing:
        return false;
    case FileRead::Unopenable: {
        // As for a missing file: nothing is loaded and nobody is asked; the log
        // tells why the editor then finds no parameters.
        [[maybe_unused]] const CCustomException logged = NEB_TEXT_EXCEPTION(
            "Drive configuration " + path + ": cannot be opened, nothing loaded: " + reason);
        return false;
    }
    case FileRead::Read:
        loadXML(path);
        return true;
    case FileRead::Refused:
        break;
    }
    refuse(path, reason);
    m_document = std::make_shared<LoadedDocument>(); // nothing of the file counts
    return true;
}

void CNEBConfiguration::loadXML(const std::string& path)
{
    std::string& text = m_document->text;
    // A byte 0 ends the text that the parser sees.
    const size_t length = std::min(text.find('\0'), text.size());
    Malformed fault;
    // Before parsing: the parser replaces the references it knows in place.
    findUnknownReference(text.data(), length, fault);
    // Parsed in place: the document keeps pointers into its own text. An
    // element's leading text is kept in the element itself (one node less for
    // every number in the file); XPath sees it as the element's text all the same.
    const pugi::xml_parse_result result =
        m_document->document.load_buffer_inplace(text.data(), length, kParseOptions);
    if (result)
        checkDocument(m_document->document, length, fault);
    else
        fault.note(static_cast<size_t>(result.offset), result.description());
    if (!fault)
        return;
    // The parser has written into the text; the position is counted in the file
    // as it was read. The parser keeps what it built before the error: none of it counts.
    std::string original, ignored;
    std::string where;
    if (readFile(path, original, ignored) == FileRead::Read) {
        size_t offset = fault.offset;
        while (fault.skipsSpace && offset < original.size() &&
               std::isspace(static_cast<unsigned char>(original[offset])))
            ++offset;
        where = position(original, offset) + ": ";
    }
    refuse(path, where + fault.reason);
    m_document = std::make_shared<LoadedDocument>();
}

bool CNEBConfiguration::initDriveNode()
{
    const std::string query = fw::format(
        "/DriveConfiguration/drive[(@name=\"%s\") and (Compatibility/property[@ID=\"MIN_DB\" "
        "]<=%s) and ((Compatibility/property[@ID=\"MAX_DB\" ]>=%s) or "
        "not(Compatibility/property[@ID=\"MAX_DB\" ]))]",
        m_driveName.c_str(), m_dbVersion.c_str(), m_dbVersion.c_str());
    pugi::xpath_node_set candidates = document().select_nodes(query.c_str());
    candidates.sort(); // document order
    for (const pugi::xpath_node& candidate : candidates) {
        m_driveNode = candidate.node();
        std::string excluded;
        if (!getTextAt(m_driveNode, ".//Compatibility/property[@ID=\"EXCL_DB\"]", excluded))
            return true;
        if (excluded.find(m_dbVersion) == std::string::npos)
            return true;
    }
    m_driveNode = pugi::xml_node();
    return false;
}

const pugi::xml_document& CNEBConfiguration::document() const
{
    if (!m_document)
        throw std::logic_error("drive configuration: no document loaded");
    return m_document->document;
}

bool CNEBConfiguration::selectFirstNode(const pugi::xml_node& context, const std::string& query,
                                        pugi::xml_node& node) const
{
    const pugi::xpath_node first = context.select_node(query.c_str());
    if (!first)
        return false;
    node = first.node();
    return true;
}

std::string CNEBConfiguration::getNodeText(const pugi::xml_node& node)
{
    // The texts of every element below `node` in document order, walked without
    // recursion: a file may nest elements deeper than any stack holds.
    std::string text = node.type() == pugi::node_element ? node.value() : "";
    pugi::xml_node current = node.first_child();
    while (current) {
        const pugi::xml_node_type type = current.type();
        if (type == pugi::node_pcdata || type == pugi::node_cdata || type == pugi::node_element)
            text += current.value();
        if (type == pugi::node_element && current.first_child()) {
            current = current.first_child();
            continue;
        }
        while (current != node && !current.next_sibling())
            current = current.parent();
        if (current == node)
            break;
        current = current.next_sibling();
    }
    return text;
}

bool CNEBConfiguration::getTextAt(const pugi::xml_node& context, const std::string& query,
                                  std::string& text) const
{
    pugi::xml_node node;
    if (!selectFirstNode(context, query, node))
        return false;
    text = getNodeText(node);
    return true;
}

bool CNEBConfiguration::getAttributeText(const char* name, const pugi::xml_node& node,
                                         std::string& text)
{
    const pugi::xml_attribute attribute = node.attribute(name);
    if (!attribute)
        return false;
    text = attribute.value();
    return true;
}

bool CNEBConfiguration::lookup(const std::string& path, pugi::xml_node& node) const
{
    const pugi::xml_document& doc = document();
    if (m_driveNode)
        return selectFirstNode(m_driveNode, ".//" + path, node);
    if (m_driveName.empty())
        return selectFirstNode(doc, "/DriveConfiguration/drive/" + path, node);
    return selectFirstNode(
        doc, fw::format("/DriveConfiguration/drive[@name=\"%s\"]/", m_driveName.c_str()) + path,
        node);
}

std::string CNEBConfiguration::getParameterNumberStr(const char* id) const
{
    pugi::xml_node node;
    const bool found = lookup(fw::format("ParameterNumbers/parameter[@ID=\"%s\"]", id), node);
    if (!found)
        throw NEB_TEXT_EXCEPTION(kNotFound);
    return getNodeText(node);
}

unsigned long CNEBConfiguration::getParameterNumber(const char* id) const
{
    return fw::readULong(getParameterNumberStr(id));
}

unsigned long CNEBConfiguration::getSpecialChoicelistItem(const char* id) const
{
    pugi::xml_node node;
    const bool found = lookup(fw::format("SpecialChoicelistItems/item[@ID=\"%s\"]", id), node);
    if (!found)
        throw NEB_TEXT_EXCEPTION("Choicelist node not found");
    return fw::readULong(getNodeText(node));
}

bool CNEBConfiguration::getChoicelistEntity(unsigned long parameterNumber,
                                            unsigned long choiceValue, std::string& objectText,
                                            std::string& objectType) const
{
    pugi::xml_node node;
    const bool found = lookup(fw::format("LinkedChoicelistItems/Choicelist[@parameternumber="
                                         "\"%lu\"]/Item[@ID=\"%lu\"]/Object",
                                         parameterNumber, choiceValue),
                              node);
    if (!found)
        return false;
    objectText = getNodeText(node);
    return getAttributeText("Type", node, objectType);
}

bool CNEBConfiguration::isDriveSupported(const std::string& driveName,
                                         const std::string& aocVersion,
                                         const std::string& dbVersion) const
{
    const char* const ids[] = {"MIN_AOC", "MIN_DB", "MAX_DB", "EXCL_DB"};
    std::string values[4];
    for (int i = 0; i < 4; ++i) {
        const std::string query =
            fw::format("/DriveConfiguration/drive[@name=\"%s\"]/Compatibility/property[@ID=\"%s\"]",
                       driveName.c_str(), ids[i]);
        if (!getTextAt(document(), query, values[i]))
            return false;
    }
    const unsigned long version = versionNumber(dbVersion);

    const std::string& excluded = values[3];
    size_t start = 0;
    while (start < excluded.size()) {
        size_t comma = excluded.find(',', start);
        if (comma == std::string::npos)
            comma = excluded.size();
        if (comma > start && fw::readULong(excluded.substr(start, comma - start)) == version)
            return false;
        start = comma + 1;
    }

    if (version < fw::readULong(values[1]) || version > fw::readULong(values[2]))
        return false;
    if (!aocVersion.empty() && versionNumber(aocVersion) < fw::readULong(values[0]))
        return false;
    return true;
}

std::vector<std::string> CNEBConfiguration::getAllNEBRelatedParameters() const
{
    std::vector<std::string> numbers;
    numbers.reserve(std::size(kRelatedParameters));
    for (const char* id : kRelatedParameters)
        numbers.push_back(getParameterNumberStr(id));
    return numbers;
}
