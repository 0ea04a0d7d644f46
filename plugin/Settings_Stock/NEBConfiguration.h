#pragma once

#include "NEBPTExport.h"

#include <pugixml.hpp>

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace NEBPT {
// A configuration file's document, shared by every load of the same content.
struct LoadedConfiguration;
} // namespace NEBPT

// The drive configuration: reads "drives_conf.neb" (gzip-compressed XML beside
// the executable), chooses the `drive` element for the connected drive type and
// parameter database version, and answers every question about parameter
// numbers, special choice values and linked choice-list items with XPath.
// Copies share the loaded document and the chosen drive element.
class NEBPT_EXPORT CNEBConfiguration
{
public:
    static constexpr const char* kFileName = "drives_conf.neb";
    // The most that is read of the file, uncompressed; a larger one is refused.
    static constexpr size_t kMaxTextSize = 64 * 1024 * 1024;

    CNEBConfiguration();
    CNEBConfiguration(const CNEBConfiguration& other);
    CNEBConfiguration& operator=(const CNEBConfiguration& other);
    ~CNEBConfiguration();

    // Loads the file and chooses the drive element; throws CCustomException
    // "Parameter node not found" when no element fits. A missing file is no error:
    // nothing is loaded; nor is a file that cannot be opened (no permission, a loop
    // of links), which is logged. A file that cannot be used (not a regular file,
    // a read or decompression error, larger than kMaxTextSize, a document that is
    // not well-formed XML with namespaces, one that needs an external entity or
    // document type, which are not read, or one past the XML reader's limits:
    // elements nested deeper than 256, entities that expand too far) is refused
    // with one message box and one log line naming the file, the line and column
    // and the reader's reason; nothing is loaded then either, so no element fits.
    // Entities and attribute defaults the document declares itself are applied.
    // The file is read whole each time (its content is known only then); a
    // content parsed before and still kept is not parsed again: the document and
    // the drive element chosen in it are shared with the earlier load.
    void init(const std::string& driveName, const std::string& aocVersion,
              const std::string& dbVersion);
    // Does nothing.
    void init();

    std::string getParameterNumberStr(const char* id) const;
    unsigned long getParameterNumber(const char* id) const;
    unsigned long getSpecialChoicelistItem(const char* id) const;
    // The object linked to one choice-list item: its index text and its "Type".
    // False when the item has no link, or its link has no "Type" (objectText is
    // filled in that case).
    bool getChoicelistEntity(unsigned long parameterNumber, unsigned long choiceValue,
                             std::string& objectText, std::string& objectType) const;
    // Stand-alone compatibility check over the document that the last init loaded.
    bool isDriveSupported(const std::string& driveName, const std::string& aocVersion,
                          const std::string& dbVersion) const;
    // The parameter numbers of the fourteen controller parameters, in fixed order.
    std::vector<std::string> getAllNEBRelatedParameters() const;

    // How often this process has parsed the text of a configuration file, loads
    // whose content was parsed before and is still kept not counted.
    static std::size_t parses();

    bool isDocumentCreated() const { return m_documentCreated; }
    bool hasDriveNode() const { return static_cast<bool>(m_driveNode); }

protected:
    bool initDriveNode();

private:
    void createDocument();
    // Reads and parses the file at `path`; false when there is no such file. A
    // file that cannot be used is refused and leaves the document empty.
    bool load(const std::string& path);
    // Parses `text`, read from `path` (its CRC-32 `crc`), up to its first byte
    // 0, or takes the document kept for that content.
    void loadXML(const std::string& path, std::string text, unsigned long crc);
    // The first node at `path` below the chosen drive element (at any depth), or,
    // without a chosen element, directly below the drive element of the drive's
    // name (any drive element when there is no name).
    bool lookup(const std::string& path, pugi::xml_node& node) const;
    bool selectFirstNode(const pugi::xml_node& context, const std::string& query,
                         pugi::xml_node& node) const;
    static std::string getNodeText(const pugi::xml_node& node);
    bool getTextAt(const pugi::xml_node& context, const std::string& query,
                   std::string& text) const;
    static bool getAttributeText(const char* name, const pugi::xml_node& node, std::string& text);
    const pugi::xml_document& document() const;

    std::shared_ptr<const NEBPT::LoadedConfiguration> m_document;
    bool m_documentCreated = false;
    std::string m_driveName;
    std::string m_aocVersion;
    std::string m_dbVersion;
    pugi::xml_node m_driveNode;
};
