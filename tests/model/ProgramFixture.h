#pragma once

#include "External_Data_Manager/ExternalDataManager.h"
#include "Settings_Manager/CNEB_Program.h"
#include "Settings_Manager/CSettingManagerFunc.h"
#include "Settings_Manager/ProgramSizes.h"
#include "Settings_Stock/CSettingStock.h"
#include "support/FakeHost.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace modeltest {

// Parameter numbers of the sample drive "FCD-300", database 02.40.
constexpr unsigned long kEvent = 1301;
constexpr unsigned long kAction = 1302;
constexpr unsigned long kTimer = 1303;
constexpr unsigned long kMode = 1300;
constexpr unsigned long kCompOperand = 1310;
constexpr unsigned long kLrOperand1 = 1320;
constexpr unsigned long kLrOperator1 = 1321;

// The program model over the sample drive, wired the way the settings manager
// wires it: stock with the bundled configuration, data manager over the fake
// host, settings access and program sizes. Failures log into a scratch folder.
class ProgramFixture : public ::testing::Test
{
protected:
    ProgramFixture()
    {
        stock.initConfiguration(host.driveName, host.aocVersion, host.dbVersion);
        sizes.logicRules = 6;
        sizes.comparators = 6;
        sizes.pairs = 20;
        sizes.timers = 8;
    }

    // Stores steps "event/action" in pairs 0, 1, ... of the drive.
    void storeSteps(const std::vector<std::pair<int, int>>& steps)
    {
        for (size_t i = 0; i < steps.size(); ++i) {
            host.setValue(kEvent, static_cast<long>(i), std::to_string(steps[i].first));
            host.setValue(kAction, static_cast<long>(i), std::to_string(steps[i].second));
        }
    }

    NEBPT::CNEB_Program build() { return NEBPT::CNEB_Program(&func, &dataManager, &sizes, &stock); }

    // What the settings manager does with a bunch.
    void write(const CNEBProgramChangeable& object)
    {
        CNEBChangeBunch bunch = object.getChangeBunch();
        dataManager.writeChangeBunch(bunch);
    }

    // "event/action" of each pair in program order.
    static std::vector<std::string> steps(const NEBPT::CNEB_Program& program)
    {
        std::vector<std::string> result;
        for (const auto& pair : program.getPairs())
            result.push_back(pair->getEvent().getParameter().getText() + "/" +
                             pair->getAction().getParameter().getText());
        return result;
    }

    static std::vector<long> indexes(const NEBPT::CNEB_Program& program)
    {
        std::vector<long> result;
        for (const auto& pair : program.getPairs())
            result.push_back(pair->getIndex());
        return result;
    }

    // "number.index=text" of each bunch entry.
    static std::vector<std::string> entries(const CNEBChangeBunch& bunch)
    {
        std::vector<std::string> result;
        for (const CNEBParameter& p : bunch.getParameters())
            result.push_back(std::to_string(p.getNumber()) + "." + std::to_string(p.getIndex()) +
                             "=" + p.getText());
        return result;
    }

    // Reads of one parameter element (index -1: any element) made so far.
    size_t reads(unsigned long number, long index = -1) const
    {
        size_t count = 0;
        for (const auto& call : host.calls()) {
            if (call.operation == "ReadParameterValue" &&
                call.arguments.at(0) == std::to_string(number) &&
                (index < 0 || call.arguments.at(1) == std::to_string(index)))
                ++count;
        }
        return count;
    }

    std::vector<std::string> logLines() const
    {
        return testsupport::readLogLines(logs.path() + "Torvane Drives/nebpt.log");
    }

    CNEB_ChoicelistItem item(unsigned long parameter, unsigned long id)
    {
        CChoicelistParameter p;
        p.setNumber(parameter);
        p.setIndex(0);
        return func.getChoicelist(p).findItem(id);
    }

    testsupport::ScratchFolder logs;
    testsupport::TempFolderGuard tmp{logs.path()};
    testsupport::FakeHost host = testsupport::FakeHost::sampleDrive();
    CSettingStock stock;
    CExternalDataManager dataManager{&host};
    CSettingManagerFunc func{&stock, &dataManager};
    ProgramSizes sizes;
};

} // namespace modeltest
