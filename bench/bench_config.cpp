// How fast the host's drive-support question is answered on a large drive
// configuration, beside the floor of merely decompressing the same file.
//
// Generates a configuration of 500 drive elements (several MB of XML), gzips it
// into a scratch folder, and times CNEBPTMain::isDriveSupported (read, parse,
// choose the drive element) against reading the file with gzread alone in the
// same 1000-byte blocks. The first call reads, checks and parses the file; later
// calls read it and find its content parsed already; a changed content is read,
// checked and parsed anew. Prints the medians, how often the configuration was
// parsed and, last, `ratio <number>` (the repeated check against the floor).

#include "NEBPTMain.h"
#include "ProgramWorkflow.h"
#include "framework/SystemPaths.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>
#include <zlib.h>

namespace {

const char* const kIds[] = {"NEB_MODE",      "EVENT",         "ACTION",        "TIMER",
                            "COMP_OPERAND",  "COMP_OPERATOR", "COMP_VALUE",    "LR_OPERAND_1",
                            "LR_OPERATOR_1", "LR_OPERAND_2",  "LR_OPERATOR_2", "LR_OPERAND_3",
                            "NEB_START_EV",  "NEB_STOP_EV"};

// Parameter numbers, choice values and object indexes vary from element to
// element as they do between real drive families, so that the file compresses
// like a delivered configuration rather than like one repeated block.
std::string generateConfiguration(int drives)
{
    unsigned seed = 12345;
    auto next = [&seed](unsigned range) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 8) % range;
    };
    std::string xml = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<DriveConfiguration>\n";
    for (int d = 0; d < drives; ++d) {
        const int base = 1000 + static_cast<int>(next(8000));
        xml += "  <drive name=\"BENCH-" + std::to_string(d % 100) + "\">\n    <Compatibility>\n";
        xml += "      <property ID=\"MIN_AOC\">0100</property>\n";
        xml += "      <property ID=\"MIN_DB\">" + std::to_string(100 + (d / 100) * 100) +
               "</property>\n";
        xml += "      <property ID=\"MAX_DB\">" + std::to_string(199 + (d / 100) * 100) +
               "</property>\n";
        xml += "      <property ID=\"EXCL_DB\">0150,0151</property>\n    </Compatibility>\n";
        xml += "    <ParameterNumbers>\n";
        int offset = 0;
        for (const char* id : kIds)
            xml += "      <parameter ID=\"" + std::string(id) + "\">" +
                   std::to_string(base + offset++ * static_cast<int>(1 + next(7))) +
                   "</parameter>\n";
        xml += "    </ParameterNumbers>\n    <SpecialChoicelistItems>\n"
               "      <item ID=\"ACTION_COMMAND_DISABLED\">0</item>\n"
               "      <item ID=\"ACTION_COMMAND_DEFAULT\">1</item>\n"
               "      <item ID=\"EVENT_BOOLEAN_DEFAULT\">0</item>\n"
               "    </SpecialChoicelistItems>\n    <LinkedChoicelistItems>\n";
        for (int list = 0; list < 4; ++list) {
            xml += "      <Choicelist parameternumber=\"" + std::to_string(base + list) + "\">\n";
            for (int item = 0; item < 20; ++item) {
                const char* type = item < 6 ? "COMP" : item < 12 ? "LR" : "TIMER";
                xml += "        <Item ID=\"" + std::to_string(next(250)) + "\"><Object Type=\"" +
                       type + "\">" + std::to_string(next(64)) + "</Object></Item>\n";
            }
            xml += "      </Choicelist>\n";
        }
        xml += "    </LinkedChoicelistItems>\n  </drive>\n";
    }
    xml += "</DriveConfiguration>\n";
    return xml;
}

double medianMs(std::vector<double> samples)
{
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

template <typename Work> double timeMs(Work work, int runs)
{
    std::vector<double> samples;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        work();
        samples.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
    }
    return medianMs(samples);
}

} // namespace

int main()
{
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("nebpt-bench-config-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    const std::string file = (folder / "drives_conf.neb").string();

    const std::string xml = generateConfiguration(500);
    const auto write = [&](const std::string& text) {
        gzFile out = gzopen(file.c_str(), "wb6");
        gzwrite(out, text.data(), static_cast<unsigned>(text.size()));
        gzclose(out);
    };
    write(xml);
    fw::overrideExecutableDirectory(folder.string());

    // The drive element sought lies in the last hundred elements.
    bool supported = false;
    const auto check = [&] {
        supported = CNEBPTMain::isDriveSupported("BENCH-42", "02.00", "05.40");
    };
    const size_t parsesBefore = NEBPT::configurationParses();
    const double first = timeMs(check, 1);
    const double plugin = timeMs(check, 15);
    const size_t parses = NEBPT::configurationParses() - parsesBefore;

    size_t bytes = 0;
    const double floor = timeMs(
        [&] {
            gzFile in = gzopen(file.c_str(), "rb");
            char block[1000];
            int read = 0;
            bytes = 0;
            while ((read = gzread(in, block, sizeof block)) > 0)
                bytes += static_cast<size_t>(read);
            gzclose(in);
        },
        15);

    // The same size with another content each time: a comment's digit changed.
    bool allSupported = supported;
    std::vector<double> changedRuns;
    for (char digit = '1'; digit <= '5'; ++digit) {
        write(xml + "<!-- " + digit + " -->\n");
        changedRuns.push_back(timeMs(check, 1));
        allSupported = allSupported && supported;
    }
    const double changed = medianMs(changedRuns);

    std::filesystem::remove_all(folder);
    if (!allSupported || bytes != xml.size()) {
        std::fprintf(stderr, "bench_config: unexpected result (supported %d, %zu of %zu bytes)\n",
                     allSupported, bytes, xml.size());
        return 1;
    }
    std::printf("configuration: 500 drive elements, %.1f MB unpacked\n", xml.size() / 1e6);
    std::printf("isDriveSupported, first load: %.2f ms (%.2f times the floor)\n", first,
                first / floor);
    std::printf("isDriveSupported, changed content: %.2f ms (%.2f times the floor)\n", changed,
                changed / floor);
    std::printf("isDriveSupported, content kept: %.2f ms\n", plugin);
    std::printf("gzread floor: %.2f ms\n", floor);
    std::printf("configuration parses %zu (first load and 15 checks)\n", parses);
    std::printf("ratio %.2f\n", plugin / floor);
    return 0;
}
