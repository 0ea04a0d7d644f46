#pragma once

#include "DLGManager.h"
#include "EventDispacher.h"
#include "dialogs/WidgetTestSupport.h"
#include "support/FakeHost.h"
#include "support/ScratchFolder.h"

#include "framework/widgets/Dialog.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace editortest {

using Strings = std::vector<std::string>;

// Parameter numbers of the sample drive "FCD-300", database 02.40.
constexpr unsigned long kMode = 1300;
constexpr unsigned long kEvent = 1301;
constexpr unsigned long kAction = 1302;
constexpr unsigned long kTimer = 1303;
constexpr unsigned long kStartEvent = 1305;
constexpr unsigned long kStopEvent = 1306;
constexpr unsigned long kCompOperand = 1310;
constexpr unsigned long kCompOperator = 1311;
constexpr unsigned long kCompValue = 1312;

// The command layer over the sample drive in the fake host, with the English
// language library current and the log in a scratch folder. Tests adjust the
// host first and then connect(); the host's calls are cleared after connecting.
class EditorFixture : public ::testing::Test
{
protected:
    void connect()
    {
        dispatcher = std::make_unique<CEventDispacher>(&host);
        dispatcher->init();
        manager = std::make_unique<CDLGManager>(*dispatcher);
        manager->init();
        host.clearCalls();
    }

    // The writes the host received, each as "identifier=value" entries (setup and
    // flag left off).
    std::vector<Strings> writes() const
    {
        std::vector<Strings> result;
        for (const testsupport::FakeHost::Call& call : host.calls())
            if (call.operation == "WriteParameterValues")
                result.emplace_back(call.arguments.begin(), call.arguments.end() - 2);
        return result;
    }

    // Host reads made after the first write.
    size_t readsAfterWrite() const
    {
        size_t reads = 0;
        bool written = false;
        for (const testsupport::FakeHost::Call& call : host.calls()) {
            written = written || call.operation == "WriteParameterValues";
            if (written && call.operation == "ReadParameterValue")
                ++reads;
        }
        return reads;
    }

    std::vector<std::string> logLines() const
    {
        return testsupport::readLogLines(scratch.path() + "Torvane Drives/nebpt.log");
    }

    static QLineEdit* edit(fw::CDialog& dialog, int id)
    {
        return dialog.GetDlgItemAs<QLineEdit>(id);
    }
    static QComboBox* combo(fw::CDialog& dialog, int id)
    {
        return dialog.GetDlgItemAs<QComboBox>(id);
    }
    static Strings entries(fw::CDialog& dialog, int id)
    {
        Strings texts;
        fw::CComboBox list = dialog.GetComboBox(id);
        for (int i = 0; i < list.GetCount(); ++i)
            texts.push_back(list.GetLBText(i));
        return texts;
    }
    // Types `text` into the edit control and clicks OK.
    static void typeAndOk(fw::CDialog& dialog, int id, const std::string& text)
    {
        edit(dialog, id)->setText(QString::fromStdString(text));
        clickOk(dialog);
    }
    static void clickOk(fw::CDialog& dialog)
    {
        dialog.GetDlgItemAs<QAbstractButton>(fw::IDOK)->click();
    }

    testsupport::ScratchFolder scratch;
    testsupport::TempFolderGuard tmp{scratch.path()};
    testsupport::CurrentLanguageGuard language{testsupport::englishLibrary()};
    testsupport::MessageBoxRecorder messages;
    testsupport::FakeHost host = testsupport::FakeHost::sampleDrive();
    std::unique_ptr<CEventDispacher> dispatcher;
    std::unique_ptr<CDLGManager> manager;
};

} // namespace editortest
