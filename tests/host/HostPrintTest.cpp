#include "HostTestSupport.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <sys/wait.h>

// `nebpt-host --print` as a user runs it: the built executable beside
// drives_conf.neb, one image file per run.

namespace {

struct HostRun
{
    int status = -1;
    std::string out, errors;
};

class HostPrintTest : public ::testing::Test
{
protected:
    HostRun print(const std::string& image)
    {
        const std::string out = m_scratch.file("out.txt");
        const std::string errors = m_scratch.file("errors.txt");
        const std::string command = "'" + std::string(NEBPT_HOST_EXECUTABLE) + "' --print '" +
                                    image + "' >'" + out + "' 2>'" + errors + "'";
        HostRun run;
        const int status = std::system(command.c_str());
        run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        run.out = hosttest::fileBytes(out);
        run.errors = hosttest::fileBytes(errors);
        return run;
    }

    // A copy of a sample with one text replaced.
    std::string variant(const std::string& sample, const std::string& from, const std::string& to)
    {
        std::string text = hosttest::fileBytes(hosttest::sampleImage(sample));
        const size_t at = text.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        if (at != std::string::npos)
            text.replace(at, from.size(), to);
        const std::string name = "variant" + std::to_string(++m_variants) + ".json";
        m_scratch.writeText(name, text);
        return m_scratch.file(name);
    }

    static bool isOneLine(const std::string& text)
    {
        return !text.empty() && text.find('\n') == text.size() - 1;
    }

    testsupport::ScratchFolder m_scratch;
    int m_variants = 0;
};

} // namespace

TEST_F(HostPrintTest, PrintsTheProgramOfBothSamples)
{
    const std::string image = m_scratch.file("fcd300.json");
    hosttest::copyFile(hosttest::sampleImage("fcd300_sample.json"), image);
    const std::string before = hosttest::fileBytes(image);

    HostRun run = print(image);
    EXPECT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(run.errors, "");
    for (const char* line :
         {"Program: 6 of 20 pairs", "Pair 0: Digital input 18 -> Start timer 0",
          "Pair 3: Logic rule 1 -> Set relay 1 high", "Pair 5: Logic rule 0 -> Start timer 2",
          "Comparator 0: Motor speed Greater than 1200.000",
          "Logic rule 1: Logic rule 0 OR Comparator 2 AND NOT Timeout 2",
          "Logic rule 0: Comparator 1 AND Digital input 19", "Timer 2: 0.75 s",
          "mode On, start event Running, stop event Alarm (trip)"}) {
        EXPECT_NE(run.out.find(line), std::string::npos) << line << "\n" << run.out;
    }
    EXPECT_EQ(run.out.find("Pair 6"), std::string::npos) << "the end marker is no step";
    EXPECT_EQ(run.out.find("Comparator 3:"), std::string::npos) << "only what the program uses";
    EXPECT_EQ(hosttest::fileBytes(image), before);

    run = print(hosttest::sampleImage("fcd50m_sample.json"));
    EXPECT_EQ(run.status, 0) << run.errors;
    for (const char* line : {"Program: 4 of 10 pairs", "Pair 3: Comparator 0 -> Start timer 1",
                             "Logic rule 0: Timeout 1 AND NOT Digital input 27", "Timer 0: 1500 ms",
                             "Timer 1: 250 ms"}) {
        EXPECT_NE(run.out.find(line), std::string::npos) << line << "\n" << run.out;
    }
}

TEST_F(HostPrintTest, UnusableImageGivesOneLineAndStatusOne)
{
    const struct
    {
        std::string image;
        std::string fault;
    } cases[] = {
        {variant("fcd300_sample.json", "\"parameters\": [", "\"parameters\": [[["),
         "not valid JSON"},
        {variant("fcd300_sample.json", "\"FCD-300\"", "\"FCD-999\""), "is not supported"},
        {variant("fcd300_sample.json", "\"number\": 1324", "\"number\": 1325"),
         "no parameter 1324"},
        {m_scratch.file("absent.json"), "cannot be read"},
    };
    for (const auto& broken : cases) {
        SCOPED_TRACE(broken.fault);
        const std::string before = hosttest::fileBytes(broken.image);
        const HostRun run = print(broken.image);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.out, "");
        EXPECT_TRUE(isOneLine(run.errors)) << run.errors;
        EXPECT_EQ(run.errors.rfind(broken.image + ": ", 0), 0u) << run.errors;
        EXPECT_NE(run.errors.find(broken.fault), std::string::npos) << run.errors;
        EXPECT_EQ(hosttest::fileBytes(broken.image), before);
    }
}

TEST_F(HostPrintTest, WrongArgumentsShowUsage)
{
    const std::string command = "'" + std::string(NEBPT_HOST_EXECUTABLE) + "' --show 2>/dev/null";
    const int status = std::system(command.c_str());
    EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 2);
}
