// The drive identity texts that go into the configuration's queries: drive
// name, AOC version and database version, one per line of the input, against
// the drives_conf.neb built beside the program from data/drives_conf.xml.
#include "FuzzSupport.h"

#include "External_Data_Manager/ExternalDataManager.h"
#include "Settings_Stock/NEBConfiguration.h"
#include "framework/SystemPaths.h"

#include <pugixml.hpp>

#include <algorithm>
#include <cctype>
#include <set>
#include <zlib.h>

using fuzzsupport::check;

namespace {

// The drive names the file lists, read without the configuration's own code.
std::set<std::string> listedDrives()
{
    std::string xml;
    gzFile file = gzopen((fw::executableDirectory() + CNEBConfiguration::kFileName).c_str(), "rb");
    check(file != nullptr, "no drives_conf.neb beside the program");
    char block[4096];
    for (int n; (n = gzread(file, block, sizeof block)) > 0;)
        xml.append(block, static_cast<size_t>(n));
    gzclose(file);
    pugi::xml_document document;
    check(document.load_string(xml.c_str()), "drives_conf.neb does not parse");
    std::set<std::string> names;
    for (pugi::xml_node drive : document.child("DriveConfiguration").children("drive"))
        names.insert(drive.attribute("name").value());
    return names;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzzsupport::Sandbox& sandbox = fuzzsupport::sandbox();
    static const std::set<std::string> drives = listedDrives();
    std::vector<std::string> identity = fuzzsupport::lines(fuzzsupport::text(data, size));
    identity.resize(3);
    const std::string& name = identity[0];
    // A name ends at its first byte 0, as the host's C strings do ("FCD-300\0\0" from
    // a padded field is FCD-300). The texts go into the queries as they are: only
    // plain ones are known to choose a listed drive or none.
    const bool plain = std::all_of(identity.begin(), identity.end(), [](const std::string& t) {
        return std::all_of(t.begin(), t.end(), [](char c) {
            return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '.' || c == ' ';
        });
    });
    const bool listed = !plain || drives.count(name.c_str()) != 0;

    CNEBConfiguration configuration;
    bool chosen = false;
    try {
        configuration.init(name, identity[1], identity[2]);
        chosen = true;
    } catch (const CCustomException&) {
        // Not supported.
    } catch (const pugi::xpath_exception&) {
        // The texts made the query invalid: not supported either.
    }
    check(!chosen || listed, "a drive the file does not list was chosen: " + name);
    try {
        check(!configuration.isDriveSupported(name, identity[1], identity[2]) || listed,
              "a drive the file does not list is supported: " + name);
    } catch (const pugi::xpath_exception&) {
    }
    try {
        // Every drive element of the file is complete.
        check(configuration.getAllNEBRelatedParameters().size() == 14 || !chosen,
              "fourteen parameters");
        const unsigned long event = configuration.getParameterNumber("EVENT");
        for (const char* item :
             {"ACTION_COMMAND_DISABLED", "ACTION_COMMAND_DEFAULT", "EVENT_BOOLEAN_DEFAULT"})
            configuration.getSpecialChoicelistItem(item);
        std::string text, type;
        configuration.getChoicelistEntity(event, 22, text, type);
    } catch (const CCustomException&) {
        check(!chosen, "a lookup failed for a chosen drive");
    } catch (const pugi::xpath_exception&) {
        check(!plain, "a lookup query failed for a plain identity");
    }
    check(sandbox.takeBoxes().empty(), "a message box for the shipped file");
    sandbox.takeLog();
    return 0;
}
