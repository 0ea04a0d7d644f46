// The drive image loader with the program printer: what `nebpt-host --print
// IMAGE` does, with the input as the image, against the drives_conf.neb built
// beside the program.
#include "FuzzSupport.h"

#include "HostCommands.h"

#include <algorithm>
#include <sstream>

using fuzzsupport::check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzzsupport::Sandbox& sandbox = fuzzsupport::sandbox();
    const std::string image = sandbox.folder.file("image.json");
    sandbox.folder.writeText("image.json", fuzzsupport::text(data, size));
    std::ostringstream out, errors;
    const int status = hostcommands::printProgram(DriveName::ofImage(image), out, errors);
    const std::string error = errors.str();
    if (status == 0) {
        check(error.empty() && !out.str().empty(), "a printed program without complaints");
    } else {
        check(status == 1, "exit status 0 or 1");
        check(std::count(error.begin(), error.end(), '\n') == 1 && error.back() == '\n',
              "one line on errors: " + error);
        check(error.find(image) != std::string::npos, "the line names the file: " + error);
    }
    check(sandbox.folder.readText("image.json") == fuzzsupport::text(data, size),
          "the image is only read");
    sandbox.takeLog();
    sandbox.takeBoxes();
    return 0;
}
