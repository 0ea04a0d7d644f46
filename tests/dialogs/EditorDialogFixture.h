#pragma once

#include "DLGManager.h"
#include "EventDispacher.h"
#include "dialogs/WidgetTestSupport.h"
#include "support/FakeHost.h"
#include "support/ScratchFolder.h"

#include <QLineEdit>

#include <gtest/gtest.h>

#include <memory>

namespace editortest {

using Strings = std::vector<std::string>;
using Writes = std::vector<Strings>;
using Answer = std::function<void(fw::CDialog&)>;

// Parameter numbers of the sample drive "FCD-300", database 02.40 (data/fcd300_sample.json).
constexpr unsigned long kEvent = 1301, kAction = 1302, kTimer = 1303, kCompOperand = 1310,
                        kCompValue = 1312;

// The command layer over the sample drive image in the fake host, with the English
// language library current and the log in a scratch folder. Tests adjust the
// host first and then connect(); the host's calls are cleared after connecting.
struct EditorFixture : ::testing::Test
{
    void connect()
    {
        dispatcher = std::make_unique<CEventDispacher>(&host);
        dispatcher->init();
        manager = std::make_unique<CDLGManager>(*dispatcher);
        manager->init();
        host.clearCalls();
    }

    // Stores the steps (event ID, action ID) from pair 0 on, and a disabled
    // action after them that ends the program.
    void storeSteps(const std::vector<std::pair<int, int>>& steps)
    {
        for (size_t i = 0; i < steps.size(); ++i) {
            host.setValue(kEvent, long(i), std::to_string(steps[i].first));
            host.setValue(kAction, long(i), std::to_string(steps[i].second));
        }
        if (steps.size() < 20)
            host.setValue(kAction, long(steps.size()), "0");
    }

    // Runs the editor `Dialog` of `object` modally; `answer` acts as the user on
    // it and on any dialog it opens. The dialogs answered go to `shownDialogs`.
    template <class Dialog, class Object>
    int runDialog(Object& object, const Answer& answer, QWidget* parent = nullptr)
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
            auto* field = d.GetDlgItemAs<QLineEdit>(Dialog::IDC_VALUE);
            refused = !d.IsEnded() && d.focusWidget() == field &&
                      field->selectedText().toStdString() == text;
        });
        return {result, refused};
    }

    // The writes the host received, each as "identifier=value" entries (setup and
    // flag left off).
    Writes writes() const
    {
        Writes result;
        for (const testsupport::FakeHost::Call& call : host.calls())
            if (call.operation == "WriteParameterValues")
                result.emplace_back(call.arguments.begin(), call.arguments.end() - 2);
        return result;
    }

    std::vector<std::string> logLines() const
    {
        return testsupport::readLogLines(scratch.path() + "Torvane Drives/nebpt.log");
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
        dialog.GetDlgItemAs<QLineEdit>(id)->setText(QString::fromStdString(text));
        clickOk(dialog);
    }
    static void clickOk(fw::CDialog& dialog) { testsupport::click(dialog, fw::IDOK); }

    testsupport::ScratchFolder scratch;
    testsupport::TempFolderGuard tmp{scratch.path()};
    testsupport::CurrentLanguageGuard language{testsupport::englishLibrary()};
    testsupport::MessageBoxRecorder messages;
    testsupport::FakeHost host =
        testsupport::FakeHost::fromImage(NEBPT_DATA_DIR "/fcd300_sample.json");
    std::unique_ptr<CEventDispacher> dispatcher;
    std::unique_ptr<CDLGManager> manager;
    std::vector<unsigned> shownDialogs;
};

} // namespace editortest
