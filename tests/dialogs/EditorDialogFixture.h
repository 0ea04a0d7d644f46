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

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace editortest {

using Strings = std::vector<std::string>;

// Parameter numbers of the sample drive "FCD-300", database 02.40.
constexpr unsigned long kMode = 1300;
constexpr unsigned long kEvent = 1301;
constexpr unsigned long kAction = 1302;
constexpr unsigned long kTimer = 1303;
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

    // Runs the editor `Dialog` of `object` modally; `answer` acts as the user on
    // it and on any dialog it opens. The dialogs answered go to `shownDialogs`.
    template <class Dialog, class Object>
    int runDialog(Object& object, const std::function<void(fw::CDialog&)>& answer,
                  QWidget* parent = nullptr)
    {
        testsupport::ModalAnswerer answerer(answer);
        Dialog dialog(*manager, object, parent);
        const int result = dialog.DoModal();
        shownDialogs = answerer.answered();
        return result;
    }

    // Types `text` into the value field of the editor `Dialog` of `object` and
    // clicks OK. Answers the dialog's result and whether OK was refused: the
    // dialog stayed open with the field focused and all its text selected.
    template <class Dialog, class Object>
    std::pair<int, bool> typeValue(Object& object, const std::string& text)
    {
        bool refused = false;
        const int result = runDialog<Dialog>(object, [&](fw::CDialog& d) {
            typeAndOk(d, Dialog::IDC_VALUE, text);
            QLineEdit* field = edit(d, Dialog::IDC_VALUE);
            refused = !d.IsEnded() && d.focusWidget() == field &&
                      field->selectedText().toStdString() == text;
        });
        return {result, refused};
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
            reads += written && call.operation == "ReadParameterValue";
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
        for (int i = 0; i < combo(dialog, id)->count(); ++i)
            texts.push_back(combo(dialog, id)->itemText(i).toStdString());
        return texts;
    }
    // Types `text` into the edit control and clicks OK.
    static void typeAndOk(fw::CDialog& dialog, int id, const std::string& text)
    {
        edit(dialog, id)->setText(QString::fromStdString(text));
        clickOk(dialog);
    }
    static void clickOk(fw::CDialog& dialog) { click(dialog, fw::IDOK); }
    static void click(fw::CDialog& dialog, int id)
    {
        dialog.GetDlgItemAs<QAbstractButton>(id)->click();
    }

    testsupport::ScratchFolder scratch;
    testsupport::TempFolderGuard tmp{scratch.path()};
    testsupport::CurrentLanguageGuard language{testsupport::englishLibrary()};
    testsupport::MessageBoxRecorder messages;
    testsupport::FakeHost host = testsupport::FakeHost::sampleDrive();
    std::unique_ptr<CEventDispacher> dispatcher;
    std::unique_ptr<CDLGManager> manager;
    std::vector<unsigned> shownDialogs;
};

} // namespace editortest
