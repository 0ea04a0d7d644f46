// The drive configuration loader with its lookups. The input is the content of
// drives_conf.neb, read through the real file path: as it is and, when it is
// small and not compressed already, gzip-compressed too; both must give the
// same answers.
#include "FuzzSupport.h"

#include "External_Data_Manager/ExternalDataManager.h"
#include "Settings_Stock/NEBConfiguration.h"
#include "framework/SystemPaths.h"

using fuzzsupport::check;

namespace {

const char* const kIds[] = {"NEB_MODE",      "EVENT",         "ACTION",        "TIMER",
                            "COMP_OPERAND",  "COMP_OPERATOR", "COMP_VALUE",    "LR_OPERAND_1",
                            "LR_OPERATOR_1", "LR_OPERAND_2",  "LR_OPERATOR_2", "LR_OPERAND_3",
                            "NEB_START_EV",  "NEB_STOP_EV",   "NO_SUCH_ID"};
const char* const kItems[] = {"ACTION_COMMAND_DISABLED", "ACTION_COMMAND_DEFAULT",
                              "EVENT_BOOLEAN_DEFAULT"};

// Everything the configuration answers for the sample drive, as text: what a
// user would see (message boxes, log lines) and every lookup's result.
std::string answers()
{
    fuzzsupport::Sandbox& sandbox = fuzzsupport::sandbox();
    std::string answers;
    CNEBConfiguration configuration;
    try {
        configuration.init("FCD-300", "02.10", "02.40");
        answers += "init\n";
    } catch (const CCustomException& e) {
        answers += "init: " + e.getText() + "\n";
    }
    const std::vector<std::string> boxes = sandbox.takeBoxes();
    check(boxes.size() <= 1, "more than one message box while loading");
    const std::vector<std::string> log = sandbox.takeLog();
    if (!boxes.empty()) {
        check(!log.empty() && log[0] == boxes[0], "a refusal without its log line");
        answers += "box: " + boxes[0] + "\n";
    }

    const auto lookup = [&](const std::string& what, auto&& call) {
        try {
            answers += what + " = " + call() + "\n";
        } catch (const CCustomException& e) {
            answers += what + ": " + e.getText() + "\n";
        }
    };
    unsigned long event = 0;
    for (const char* id : kIds)
        lookup(id, [&] {
            const std::string number = configuration.getParameterNumberStr(id);
            if (id == std::string("EVENT"))
                event = configuration.getParameterNumber(id);
            return number;
        });
    for (const char* item : kItems)
        lookup(item, [&] { return std::to_string(configuration.getSpecialChoicelistItem(item)); });
    for (unsigned long choice : {0UL, 22UL, 41UL, 4294967295UL}) {
        std::string text, type;
        if (configuration.getChoicelistEntity(event, choice, text, type) || !text.empty())
            answers += std::to_string(choice) + " -> " + type + " " + text + "\n";
    }
    answers += configuration.isDriveSupported("FCD-300", "02.10", "02.40") ? "supported\n" : "-\n";
    sandbox.takeLog();
    return answers;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzzsupport::Sandbox& sandbox = fuzzsupport::sandbox();
    fw::overrideExecutableDirectory(sandbox.folder.path());
    const std::string content = fuzzsupport::text(data, size);
    sandbox.folder.writeText(CNEBConfiguration::kFileName, content);
    const std::string plain = answers();
    // Large inputs (the deep-nesting seeds) are not compressed again: slow, and
    // their compressed twins are in the corpus.
    if (content.rfind("\x1f\x8b", 0) != 0 && size <= 64 * 1024) {
        sandbox.folder.writeGzip(CNEBConfiguration::kFileName, content);
        check(answers() == plain, "compressed and plain file answer differently:\n" + plain);
    }
    fw::overrideExecutableDirectory({});
    return 0;
}
