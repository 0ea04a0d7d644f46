// A program file's bytes through what nebpt-host --import, --diff and --check do
// with it, against a fresh copy of the sample drive and the drives_conf.neb
// built beside the program: a refused file writes nothing, every failure is
// one line.
#include "FuzzSupport.h"

#include "HostCommands.h"
#include "SimulatedDrive.h"

#include <algorithm>
#include <sstream>

using fuzzsupport::check;

namespace {

void checkOneLine(const std::string& errors, const std::string& what)
{
    check(!errors.empty() && std::count(errors.begin(), errors.end(), '\n') == 1 &&
              errors.back() == '\n',
          what + ": one line on errors: " + errors);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::string sample =
        testsupport::ScratchFolder::readFile(NEBPT_DATA_DIR "/fcd300_sample.json");
    fuzzsupport::Sandbox& sandbox = fuzzsupport::sandbox();
    const std::string input = fuzzsupport::text(data, size);
    sandbox.folder.writeText("program.json", input);
    sandbox.folder.writeText("drive.json", sample);
    try {
        SimulatedDrive program(sandbox.folder.file("program.json"), SimulatedDrive::Access::Read);
        SimulatedDrive drive(sandbox.folder.file("drive.json"));
        check(!drive.readOnly(), "the copy of the sample is written: " + drive.readOnlyReason());

        std::ostringstream out, errors;
        const int imported = hostcommands::importProgram(program, drive, false, false, out, errors);
        if (imported != 0) {
            check(imported == 1, "import: exit status 0 or 1");
            checkOneLine(errors.str(), "import");
            check(sandbox.folder.readText("drive.json") == sample, "a refused file writes nothing");
        }

        for (const bool diff : {true, false}) {
            std::ostringstream found, failed;
            const int status = diff ? hostcommands::diffPrograms(program, drive, found, failed)
                                    : hostcommands::checkProgram(program, found, failed);
            check(status == 0 || status == 1 || status == 4,
                  "diff and check: exit status 0, 1 or 4");
            if (status == 1)
                checkOneLine(failed.str(), diff ? "diff" : "check");
            else
                check(failed.str().empty(), "no complaints without a failure: " + failed.str());
        }
    } catch (const DriveImageError& refused) {
        // nebpt-host tells it as this one line.
        check(!hostcommands::oneLine(refused.what()).empty(), "a reason");
    }
    check(sandbox.folder.readText("program.json") == input, "the program file is only read");
    sandbox.takeLog();
    sandbox.takeBoxes();
    return 0;
}
