#pragma once

#include "External_Data_Manager/ExternalDataManager.h"
#include "Settings_Manager/CNEB_Program.h"
#include "Settings_Manager/CSettingManagerFunc.h"
#include "Settings_Manager/ProgramSizes.h"
#include "Settings_Stock/CNEB_Choicelist.h"
#include "Settings_Stock/CSettingStock.h"
#include "support/FakeHost.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

namespace modeltest {

using testsupport::FakeHost;
using Strings = std::vector<std::string>;

// Parameter numbers of the sample drive "FCD-300", database 02.40 (data/fcd300_sample.json).
constexpr unsigned long kMode = 1300, kEvent = 1301, kAction = 1302, kTimer = 1303;

inline CNEBParameter param(unsigned long number, long index, const std::string& text = {})
{
    CNEBParameter p;
    p.setNumber(number);
    p.setIndex(index);
    p.setText(text);
    return p;
}

inline CNEB_ChoicelistItem choice(unsigned long id)
{
    CNEB_ChoicelistItem item;
    item.setID(id);
    return item;
}

// "number.index=text" of each bunch entry.
inline Strings entries(const CNEBChangeBunch& bunch)
{
    Strings result;
    for (const CNEBParameter& p : bunch.getParameters())
        result.push_back(std::to_string(p.getNumber()) + "." + std::to_string(p.getIndex()) + "=" +
                         p.getText());
    return result;
}

// The argument lists of the host's calls of one operation, in call order.
inline std::vector<Strings> argumentsOf(const FakeHost& host, const std::string& operation)
{
    std::vector<Strings> result;
    for (const FakeHost::Call& call : host.calls())
        if (call.operation == operation)
            result.push_back(call.arguments);
    return result;
}

inline std::vector<Strings> writes(const FakeHost& host)
{
    return argumentsOf(host, "WriteParameterValues");
}

inline CNEBChangeBunch bunchOf(const std::vector<CNEBParameter>& parameters)
{
    CNEBChangeBunch bunch;
    for (const CNEBParameter& p : parameters)
        bunch.addParameter(p);
    return bunch;
}

// The sample drive image wired the way the settings manager wires it. Failures
// log into a scratch folder; the host's call record starts empty.
class ModelFixture : public ::testing::Test
{
protected:
    ModelFixture()
    {
        stock.initConfiguration(host.driveName, host.aocVersion, host.dbVersion);
        host.clearCalls();
    }

    Strings logLines() const
    {
        return testsupport::readLogLines(logs.path() + "Torvane Drives/nebpt.log");
    }

    // Expects `operation` to fail with this category and code, logged in one line.
    void expectFailure(const std::function<void()>& operation, int category, int code,
                       const std::string& what = {})
    {
        const size_t linesBefore = logLines().size();
        try {
            operation();
            ADD_FAILURE() << what << ": no exception";
        } catch (const CCustomException& e) {
            EXPECT_EQ(std::make_pair(e.getCategory(), e.getCode()), std::make_pair(category, code))
                << what;
        }
        EXPECT_EQ(logLines().size(), linesBefore + 1) << what;
    }

    // Stores steps "event/action" in pairs 0, 1, ... of the drive, and a disabled
    // action after them (the end of the program) when there is room.
    void storeSteps(const std::vector<std::pair<int, int>>& steps)
    {
        for (size_t i = 0; i < steps.size(); ++i) {
            host.setValue(kEvent, static_cast<long>(i), std::to_string(steps[i].first));
            host.setValue(kAction, static_cast<long>(i), std::to_string(steps[i].second));
        }
        if (steps.size() < host.parameter(kAction).values.size())
            host.setValue(kAction, static_cast<long>(steps.size()), "0");
    }

    NEBPT::CNEB_Program build() { return NEBPT::CNEB_Program(&func, &dataManager, &sizes, &stock); }

    // Reads of one element ("number index") made since the last clearCalls.
    size_t reads(const std::string& element) const
    {
        const std::vector<Strings> all = argumentsOf(host, "ReadParameterValue");
        return static_cast<size_t>(std::count_if(all.begin(), all.end(), [&](const Strings& a) {
            return a[0] + " " + a[1] == element;
        }));
    }

    testsupport::ScratchFolder logs;
    testsupport::TempFolderGuard tmp{logs.path()};
    FakeHost host = FakeHost::fromImage(NEBPT_DATA_DIR "/fcd300_sample.json");
    CSettingStock stock;
    CExternalDataManager dataManager{&host};
    CSettingManagerFunc func{&stock, &dataManager};
    ProgramSizes sizes{6, 6, 20, 8};
};

// "event/action" of each pair in program order; every pair must sit at the
// drive index of its position.
inline Strings steps(const NEBPT::CNEB_Program& program)
{
    Strings result;
    for (const auto& pair : program.getPairs()) {
        EXPECT_EQ(pair->getIndex(), static_cast<long>(result.size()));
        result.push_back(pair->getEvent().getParameter().getText() + "/" +
                         pair->getAction().getParameter().getText());
    }
    return result;
}

inline CNEB_EAPair& pairAt(const NEBPT::CNEB_Program& program, size_t position)
{
    return **std::next(program.getPairs().begin(), static_cast<long>(position));
}

} // namespace modeltest
