#include "Settings_Stock/NEBConfiguration.h"

#include "External_Data_Manager/ExternalDataManager.h"
#include "framework/Format.h"
#include "framework/MessageBox.h"
#include "framework/NumberText.h"
#include "framework/RegularFile.h"
#include "framework/SystemPaths.h"

#include <libxml/SAX2.h>
#include <libxml/entities.h>
#include <libxml/globals.h>
#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <stdexcept>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
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

// Reads the whole decompressed file into `text`, and its CRC-32 into `crc`. Only
// a regular file is opened (never blocking on a FIFO), and no more than kMaxText
// bytes are read.
FileRead readFile(const std::string& path, std::string& text, unsigned long& crc,
                  std::string& reason)
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
    crc = crc32(0, nullptr, 0);
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
        // Each block while it is at hand: a key for the text that costs little.
        crc = crc32(crc, reinterpret_cast<const Bytef*>(text.data() + size),
                    static_cast<uInt>(text.size() - size));
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

// The conforming reader: libxml2 checks that the text is a well-formed XML
// document, and builds the document itself when pugixml would read it otherwise
// (entities or attribute defaults declared in it, an encoding pugixml does not
// know). Nothing outside the text is read: no external document type, no
// external entity (a document that uses one is refused), no network. libxml2's
// limits stay (elements nested at most 256 deep, entity expansion bounded).
struct XmlReading
{
    std::string fault; // why the text is refused; empty when it is well-formed
    long line = 0, column = 0;
    bool built = false; // the document is built; else pugixml reads the text
    pugi::xml_encoding encoding = pugi::encoding_utf8; // ... in this encoding
};

struct ConformingReader
{
    xmlParserCtxtPtr document = nullptr;
    bool build = false;        // build even where pugixml would read alike
    bool declarations = false; // an entity or an attribute list is declared
    bool decided = false;      // at the document element: built or not
    XmlReading reading;

    // Keeps the first fault, placed where the document is read (in an entity's
    // text: after the reference).
    void note(std::string reason)
    {
        if (!reading.fault.empty())
            return;
        const xmlParserInputPtr input = document->inputNr > 0 ? document->inputTab[0] : nullptr;
        reading.line = input ? input->line : 1;
        reading.column = input ? input->col : 1;
        // The limits libxml2 lifts on request are the reader's limits here.
        const size_t option = reason.find("use XML_PARSE_HUGE");
        reason = reason.substr(0, option);
        std::replace(reason.begin(), reason.end(), '\n', ' ');
        while (!reason.empty() && (reason.back() == ' ' || reason.back() == ','))
            reason.pop_back();
        reading.fault = option == std::string::npos ? reason : reason + ", the most that is read";
    }
};

// Every callback gets the parser (also that of an entity's text), which carries the reader.
ConformingReader& readerOf(void* parser)
{
    return *static_cast<ConformingReader*>(static_cast<xmlParserCtxtPtr>(parser)->_private);
}

const char* chars(const xmlChar* text)
{
    return reinterpret_cast<const char*>(text);
}

// Errors, and the warning for an entity that may be declared outside the text;
// not the document type's validity (a document need not be valid to be used).
void onError(void* reader, xmlErrorPtr error)
{
    if (error->domain != XML_FROM_VALID &&
        (error->level >= XML_ERR_ERROR || error->code == XML_WAR_UNDECLARED_ENTITY))
        static_cast<ConformingReader*>(reader)->note(error->message ? error->message
                                                                    : "Not well-formed");
}

void ignoreMessage(void*, const char*, ...) {}

// The encoding libxml2 reads the text in, when pugixml reads it the same way.
bool pugixmlEncoding(const xmlParserCtxtPtr parser, pugi::xml_encoding& encoding)
{
    const xmlCharEncodingHandler* decoder =
        parser->input && parser->input->buf ? parser->input->buf->encoder : nullptr;
    encoding = pugi::encoding_utf8;
    if (!decoder)
        return true;
    for (const char* name : {"ASCII", "US-ASCII", "UTF-8"})
        if (strcasecmp(decoder->name, name) == 0)
            return true;
    encoding = pugi::encoding_latin1;
    for (const char* name : {"ISO-8859-1", "ISO_8859-1", "ISO8859-1", "LATIN1", "ISO-LATIN-1"})
        if (strcasecmp(decoder->name, name) == 0)
            return true;
    return false;
}

// The tree is built only when it is needed: decided at the document element,
// after the document type.
void startElement(void* parser, const xmlChar* name, const xmlChar* prefix, const xmlChar* uri,
                  int namespaceCount, const xmlChar** namespaces, int attributeCount,
                  int defaultedCount, const xmlChar** attributes)
{
    ConformingReader& reader = readerOf(parser);
    if (!reader.decided) {
        reader.decided = true;
        const bool alike = pugixmlEncoding(reader.document, reader.reading.encoding);
        reader.reading.built = reader.build || reader.declarations || !alike;
    }
    if (reader.reading.built)
        xmlSAX2StartElementNs(parser, name, prefix, uri, namespaceCount, namespaces, attributeCount,
                              defaultedCount, attributes);
}

void endElement(void* parser, const xmlChar* name, const xmlChar* prefix, const xmlChar* uri)
{
    if (readerOf(parser).reading.built)
        xmlSAX2EndElementNs(parser, name, prefix, uri);
}

void characters(void* parser, const xmlChar* text, int length)
{
    if (readerOf(parser).reading.built)
        xmlSAX2Characters(parser, text, length);
}

void cdataBlock(void* parser, const xmlChar* text, int length)
{
    if (readerOf(parser).reading.built)
        xmlSAX2CDataBlock(parser, text, length);
}

void comment(void* parser, const xmlChar* text)
{
    if (readerOf(parser).reading.built)
        xmlSAX2Comment(parser, text);
}

void processingInstruction(void* parser, const xmlChar* target, const xmlChar* data)
{
    if (readerOf(parser).reading.built)
        xmlSAX2ProcessingInstruction(parser, target, data);
}

void entityDecl(void* parser, const xmlChar* name, int type, const xmlChar* publicId,
                const xmlChar* systemId, xmlChar* content)
{
    readerOf(parser).declarations = true;
    xmlSAX2EntityDecl(parser, name, type, publicId, systemId, content);
}

void attributeDecl(void* parser, const xmlChar* element, const xmlChar* name, int type,
                   int defaultType, const xmlChar* defaultValue, xmlEnumerationPtr values)
{
    readerOf(parser).declarations = true;
    xmlSAX2AttributeDecl(parser, element, name, type, defaultType, defaultValue, values);
}

// An entity whose text lies outside the document is not read: its reference is refused.
xmlEntityPtr getEntity(void* parser, const xmlChar* name)
{
    const xmlEntityPtr entity = xmlGetDocEntity(static_cast<xmlParserCtxtPtr>(parser)->myDoc, name);
    if (entity && entity->etype == XML_EXTERNAL_GENERAL_PARSED_ENTITY) {
        readerOf(parser).note(fw::format("External entity '%s' is not read", chars(name)));
        return nullptr;
    }
    return xmlSAX2GetEntity(parser, name);
}

xmlEntityPtr getParameterEntity(void* parser, const xmlChar* name)
{
    const xmlEntityPtr entity = xmlSAX2GetParameterEntity(parser, name);
    if (entity && entity->etype == XML_EXTERNAL_PARAMETER_ENTITY) {
        readerOf(parser).note(
            fw::format("External parameter entity '%s' is not read", chars(name)));
        return nullptr;
    }
    return entity;
}

std::string qualifiedName(const xmlNs* space, const xmlChar* name)
{
    return space && space->prefix ? chars(space->prefix) + std::string(":") + chars(name)
                                  : chars(name);
}

// libxml2's tree as pugixml builds one from a text: runs of text between other
// nodes in one node, a run of white space only dropped, comments and processing
// instructions left out. Walked without recursion.
void copyTree(const xmlDoc& from, pugi::xml_document& to)
{
    pugi::xml_node parent = to;
    std::string text;
    const auto endText = [&] {
        if (text.find_first_not_of(" \t\r\n") != std::string::npos)
            parent.append_child(pugi::node_pcdata).set_value(text.c_str());
        text.clear();
    };
    for (xmlNodePtr node = from.children; node;) {
        if (node->type == XML_TEXT_NODE) {
            text += chars(node->content);
        } else {
            endText();
            if (node->type == XML_CDATA_SECTION_NODE) {
                parent.append_child(pugi::node_cdata).set_value(chars(node->content));
            } else if (node->type == XML_ELEMENT_NODE) {
                pugi::xml_node element =
                    parent.append_child(qualifiedName(node->ns, node->name).c_str());
                for (const xmlNs* space = node->nsDef; space; space = space->next)
                    element
                        .append_attribute(
                            space->prefix ? ("xmlns:" + std::string(chars(space->prefix))).c_str()
                                          : "xmlns")
                        .set_value(chars(space->href));
                for (xmlAttrPtr attribute = node->properties; attribute;
                     attribute = attribute->next) {
                    xmlChar* value = xmlNodeListGetString(node->doc, attribute->children, 1);
                    element.append_attribute(qualifiedName(attribute->ns, attribute->name).c_str())
                        .set_value(value ? chars(value) : "");
                    xmlFree(value);
                }
                if (node->children) {
                    parent = element;
                    node = node->children;
                    continue;
                }
            }
        }
        while (!node->next && node->parent && node->parent->type == XML_ELEMENT_NODE) {
            endText();
            node = node->parent;
            parent = parent.parent();
        }
        node = node->next;
    }
    endText();
}

// Reads the text as a conforming XML processor does; builds `document` when
// pugixml would read the text otherwise, or always with `build`.
XmlReading readConformingly(const char* text, size_t length, bool build,
                            pugi::xml_document& document)
{
    static std::once_flag initialised;
    std::call_once(initialised, xmlInitParser);
    ConformingReader reader;
    reader.build = build;
    xmlParserCtxtPtr parser =
        length > 0 ? xmlCreateMemoryParserCtxt(text, static_cast<int>(length)) : nullptr;
    if (!parser) {
        reader.reading.fault = length > 0 ? "out of memory" : "Document is empty";
        reader.reading.line = reader.reading.column = 1;
        return reader.reading;
    }
    // Entities replaced, declared attribute defaults given, nothing from outside.
    xmlCtxtUseOptions(parser, XML_PARSE_NOENT | XML_PARSE_DTDATTR | XML_PARSE_NONET);
    xmlSAXHandler& sax = *parser->sax;
    xmlSAXVersion(&sax, 2);
    sax.startElementNs = startElement;
    sax.endElementNs = endElement;
    sax.characters = characters;
    sax.ignorableWhitespace = characters;
    sax.cdataBlock = cdataBlock;
    sax.comment = comment;
    sax.processingInstruction = processingInstruction;
    sax.entityDecl = entityDecl;
    sax.attributeDecl = attributeDecl;
    sax.getEntity = getEntity;
    sax.getParameterEntity = getParameterEntity;
    sax.externalSubset = nullptr; // an external document type is not read
    parser->_private = &reader;
    reader.document = parser;

    // The thread's error handlers take every message for the reader; nothing is printed.
    const xmlStructuredErrorFunc structured = xmlStructuredError;
    void* const structuredContext = xmlStructuredErrorContext;
    const xmlGenericErrorFunc generic = xmlGenericError;
    void* const genericContext = xmlGenericErrorContext;
    xmlSetStructuredErrorFunc(&reader, onError);
    xmlSetGenericErrorFunc(nullptr, ignoreMessage);
    xmlParseDocument(parser);
    xmlSetStructuredErrorFunc(structuredContext, structured);
    xmlSetGenericErrorFunc(genericContext, generic);

    if (!parser->wellFormed || !parser->nsWellFormed)
        reader.note("Not well-formed");
    if (reader.reading.fault.empty() && reader.reading.built && parser->myDoc)
        copyTree(*parser->myDoc, document);
    if (parser->myDoc)
        xmlFreeDoc(parser->myDoc);
    xmlFreeParserCtxt(parser);
    return reader.reading;
}

} // namespace

namespace NEBPT {

// The decompressed text and the document parsed in place from it (the parser
// overwrites the text), with the drive elements chosen in it so far: every
// configuration loaded from the same content shares one, read-only.
struct LoadedConfiguration
{
    std::string text;
    pugi::xml_document document;

    // The drive element chosen before for a drive name and database version (an
    // empty node when none fits); false when there is none yet.
    bool chosen(const std::string& name, const std::string& version, pugi::xml_node& drive) const
    {
        const std::lock_guard lock(m_mutex);
        const auto found =
            std::find_if(m_choices.begin(), m_choices.end(), [&](const auto& choice) {
                return choice.name == name && choice.version == version;
            });
        if (found == m_choices.end())
            return false;
        drive = found->drive;
        return true;
    }

    void choose(const std::string& name, const std::string& version, pugi::xml_node drive) const
    {
        const std::lock_guard lock(m_mutex);
        if (m_choices.size() == kChoicesKept)
            m_choices.erase(m_choices.begin());
        m_choices.push_back({name, version, drive});
    }

private:
    struct Choice
    {
        std::string name, version;
        pugi::xml_node drive;
    };
    static constexpr size_t kChoicesKept = 64;
    mutable std::mutex m_mutex;
    mutable std::vector<Choice> m_choices;
};

} // namespace NEBPT

namespace {

using NEBPT::LoadedConfiguration;

std::atomic<size_t> g_parses{0};

// Contents loaded lately, by the CRC-32 and length of their text (computed block
// by block as gzread hands the text over, so at hand for the key): the last few,
// each with its document while a configuration uses it, and whether the
// conforming reader found the text well-formed and pugixml reads it alike (in
// which encoding). The latest document is kept when nobody uses it (the host's
// support question and then the plug-in load one after the other), unless its
// text is larger than kKeptTextSize. A text known to be well-formed whose
// document has gone is parsed once more, by pugixml alone.
class KeptContents
{
public:
    struct Key
    {
        unsigned long crc = 0;
        size_t length = 0;
        bool operator==(const Key&) const = default;
    };
    struct Content
    {
        Key key;
        bool checked = false; // well-formed, and pugixml reads it alike in `encoding`
        pugi::xml_encoding encoding = pugi::encoding_utf8;
        std::weak_ptr<const LoadedConfiguration> document;
    };

    // The document of `key` when it is still there; `content` is what is known
    // of the text (nothing when `checked` is false).
    std::shared_ptr<const LoadedConfiguration> find(const Key& key, Content& content)
    {
        std::shared_ptr<const LoadedConfiguration> latest;
        const std::lock_guard lock(m_mutex);
        const auto found = std::find_if(m_contents.begin(), m_contents.end(),
                                        [&](const Content& kept) { return kept.key == key; });
        if (found == m_contents.end())
            return nullptr;
        content = *found;
        std::shared_ptr<const LoadedConfiguration> document = found->document.lock();
        if (document && document->text.size() <= kKeptTextSize && m_latest != document)
            latest = std::exchange(m_latest, document);  // let go after the lock
        std::rotate(found, found + 1, m_contents.end()); // the latest last
        return document;
    }

    void add(const Content& content, const std::shared_ptr<const LoadedConfiguration>& document)
    {
        std::shared_ptr<const LoadedConfiguration> latest;
        const std::lock_guard lock(m_mutex);
        std::erase_if(m_contents, [&](const Content& kept) { return kept.key == content.key; });
        if (m_contents.size() == kKept)
            m_contents.erase(m_contents.begin());
        m_contents.push_back(content);
        m_contents.back().document = document;
        latest =
            std::exchange(m_latest, document->text.size() <= kKeptTextSize ? document : nullptr);
    }

private:
    static constexpr size_t kKept = 8;
    static constexpr size_t kKeptTextSize = 16 * 1024 * 1024;
    std::mutex m_mutex;
    std::vector<Content> m_contents; // the latest last
    std::shared_ptr<const LoadedConfiguration> m_latest;
};

KeptContents& keptContents()
{
    static KeptContents contents;
    return contents;
}

// A text in ISO-8859-1 without a byte above 127 reads the same as UTF-8, which
// pugixml parses as it stands instead of converting it first.
pugi::xml_encoding parsingEncoding(const std::string& text, size_t length,
                                   pugi::xml_encoding encoding)
{
    if (encoding != pugi::encoding_latin1)
        return encoding;
    unsigned char bits = 0;
    for (size_t i = 0; i < length; ++i)
        bits |= static_cast<unsigned char>(text[i]);
    return bits < 0x80 ? pugi::encoding_utf8 : encoding;
}

// pugixml on a text the conforming reader has found well-formed: an element's
// leading text is kept in the element itself (one node less for every number in
// the file); XPath sees it as the element's text all the same.
constexpr unsigned kParseOptions = pugi::parse_default | pugi::parse_embed_pcdata;

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
    m_document = std::make_shared<LoadedConfiguration>();
}

size_t CNEBConfiguration::parses()
{
    return g_parses;
}

bool CNEBConfiguration::load(const std::string& path)
{
    std::string reason;
    std::string text;
    unsigned long crc = 0;
    switch (readFile(path, text, crc, reason)) {
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
        loadXML(path, std::move(text), crc);
        return true;
    case FileRead::Refused:
        break;
    }
    refuse(path, reason);
    m_document = std::make_shared<LoadedConfiguration>(); // nothing of the file counts
    return true;
}

void CNEBConfiguration::loadXML(const std::string& path, std::string read, unsigned long crc)
{
    KeptContents::Content content;
    content.key = {crc, read.size()};
    if (std::shared_ptr<const LoadedConfiguration> kept =
            keptContents().find(content.key, content)) {
        m_document = std::move(kept);
        return;
    }
    ++g_parses;
    const auto loaded = std::make_shared<LoadedConfiguration>();
    std::string& text = loaded->text;
    pugi::xml_document& document = loaded->document;
    text = std::move(read);
    // A byte 0 ends the text that the parser sees.
    const size_t length = std::min(text.find('\0'), text.size());
    if (!content.checked) {
        const XmlReading reading = readConformingly(text.data(), length, false, document);
        if (!reading.fault.empty()) {
            refuse(path, fw::format("line %ld, column %ld: ", reading.line, reading.column) +
                             reading.fault);
            m_document = std::make_shared<LoadedConfiguration>(); // nothing of the file counts
            return;
        }
        content.checked = !reading.built;
        content.encoding = reading.encoding;
    }
    m_document = loaded;
    // Parsed in place: the document keeps pointers into its own text.
    if (!content.checked ||
        document.load_buffer_inplace(text.data(), length, kParseOptions,
                                     parsingEncoding(text, length, content.encoding))) {
        keptContents().add(content, loaded);
        return;
    }
    // Well-formed, yet not for pugixml (which has written into the text): the
    // conforming reader builds it from the file read anew.
    std::string reason;
    document.reset();
    if (readFile(path, text, crc, reason) == FileRead::Read &&
        readConformingly(text.data(), std::min(text.find('\0'), text.size()), true, document)
            .fault.empty()) {
        KeptContents::Content built;
        built.key = {crc, text.size()};
        keptContents().add(built, loaded);
    }
}

bool CNEBConfiguration::initDriveNode()
{
    const pugi::xml_document& loadedDocument = document();
    const LoadedConfiguration& loaded = *m_document;
    if (loaded.chosen(m_driveName, m_dbVersion, m_driveNode))
        return static_cast<bool>(m_driveNode);
    const std::string query = fw::format(
        "/DriveConfiguration/drive[(@name=\"%s\") and (Compatibility/property[@ID=\"MIN_DB\" "
        "]<=%s) and ((Compatibility/property[@ID=\"MAX_DB\" ]>=%s) or "
        "not(Compatibility/property[@ID=\"MAX_DB\" ]))]",
        m_driveName.c_str(), m_dbVersion.c_str(), m_dbVersion.c_str());
    pugi::xpath_node_set candidates = loadedDocument.select_nodes(query.c_str());
    candidates.sort(); // document order
    m_driveNode = pugi::xml_node();
    for (const pugi::xpath_node& candidate : candidates) {
        std::string excluded;
        if (!getTextAt(candidate.node(), ".//Compatibility/property[@ID=\"EXCL_DB\"]", excluded) ||
            excluded.find(m_dbVersion) == std::string::npos) {
            m_driveNode = candidate.node();
            break;
        }
    }
    loaded.choose(m_driveName, m_dbVersion, m_driveNode);
    return static_cast<bool>(m_driveNode);
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
