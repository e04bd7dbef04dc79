#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <chrono>
#include <future>
#include <thread>

#include "AfxPrompt.h"
#include "AfxShell.h"
#include "CodePage.h"
#include "ScriptedPrompts.h"

namespace {

using Kind = ScriptedPrompts::Kind;

class PromptsTest : public ::testing::Test {
protected:
    ScriptedPrompts prompts;
    ScriptedPrompts::Installer installer{prompts};
};

TEST_F(PromptsTest, MessageBoxesAnswerInOrderAndRecord) {
    prompts.AnswerMessageBox(IDYES);
    prompts.AnswerMessageBox(IDOK);
    EXPECT_EQ(MessageBox(nullptr, "Confirm to delete file a.txt?", "资料书架", MB_YESNO), IDYES);
    EXPECT_EQ(MessageBox(nullptr, "File downloading.", "资料书架", MB_OK), IDOK);
    auto log = prompts.Prompts();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].kind, Kind::MessageBox);
    EXPECT_EQ(log[0].text, "Confirm to delete file a.txt?");
    EXPECT_EQ(log[0].caption, "资料书架");
    EXPECT_EQ(log[0].style, MB_YESNO);
    EXPECT_EQ(log[1].style, MB_OK);
    EXPECT_EQ(prompts.UnexpectedCount(), 0u);
    EXPECT_EQ(prompts.UnusedAnswers(), 0u);
}

TEST_F(PromptsTest, UnexpectedPromptsGetCancelAnswers) {
    EXPECT_EQ(MessageBox(nullptr, "Overwrite?", "c", MB_YESNO), IDNO);
    EXPECT_EQ(MessageBox(nullptr, "Note", "c", MB_OK), IDOK);
    CFileDialog dlg(FALSE, "txt", "a.txt");
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_EQ(dlg.GetPathName(), "");
    EXPECT_FALSE(afx::OpenWithDialog("/tmp/a.xyz"));
    EXPECT_EQ(afx::Prompts().TrackPopup({{"Open", 32792}}, POINT{1, 2}, nullptr), 0u);
    EXPECT_EQ(prompts.UnexpectedCount(), 5u);
}

TEST_F(PromptsTest, FrameworkBoxUsesApplicationName) {
    prompts.AnswerMessageBox(IDOK);
    EXPECT_EQ(AfxMessageBox("File open failed!"), IDOK);
    auto log = prompts.Prompts();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].caption, afx::GetAppName());
    EXPECT_FALSE(log[0].caption.empty());
    EXPECT_EQ(log[0].owner, nullptr);
    EXPECT_EQ(log[0].style, MB_OK);
}

TEST_F(PromptsTest, SaveDialogCarriesItsSettings) {
    prompts.AnswerFileDialog("/home/u/copy of a.txt");
    CFileDialog dlg(FALSE, "txt", "a.txt", OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT);
    ASSERT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(dlg.GetPathName(), "/home/u/copy of a.txt");
    EXPECT_EQ(dlg.GetFileName(), "copy of a.txt");
    auto log = prompts.Prompts();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].kind, Kind::FileDialog);
    EXPECT_FALSE(log[0].open);
    EXPECT_EQ(log[0].defExt, "txt");
    EXPECT_EQ(log[0].fileName, "a.txt");
    EXPECT_EQ(log[0].flags, 6u);
}

TEST_F(PromptsTest, CancelledOpenDialog) {
    prompts.CancelFileDialog();
    CFileDialog dlg(TRUE);
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_EQ(dlg.GetPathName(), "");
    auto log = prompts.Prompts();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_TRUE(log[0].open);
    EXPECT_FALSE(log[0].unexpected);
    EXPECT_FALSE(log[0].accepted);
}

TEST_F(PromptsTest, PopupChoosesOnlyPresentEnabledItems) {
    std::vector<afx::PopupItem> items = {
        {"Open", 32792, true, false}, {"", 0, true, true}, {"Save As...", 32790, false, false}};
    prompts.AnswerPopup(32790); // disabled: nothing chosen
    prompts.AnswerPopup(32792);
    prompts.AnswerPopup(32773); // not in this popup
    EXPECT_EQ(afx::Prompts().TrackPopup(items, POINT{10, 20}, nullptr), 0u);
    EXPECT_EQ(afx::Prompts().TrackPopup(items, POINT{10, 20}, nullptr), 32792u);
    EXPECT_EQ(afx::Prompts().TrackPopup(items, POINT{10, 20}, nullptr), 0u);
    auto log = prompts.Prompts();
    ASSERT_EQ(log.size(), 3u);
    ASSERT_EQ(log[0].items.size(), 3u);
    EXPECT_FALSE(log[0].items[2].enabled);
    EXPECT_TRUE(log[0].items[1].separator);
    EXPECT_EQ(log[0].point.x, 10);
    EXPECT_EQ(log[0].point.y, 20);
    EXPECT_EQ(prompts.UnexpectedCount(), 0u);
}

TEST_F(PromptsTest, ProgramChoiceThroughOpenWith) {
    prompts.AnswerChooseProgram(true);
    EXPECT_TRUE(afx::OpenWithDialog("/tmp/report.xyz"));
    auto log = prompts.Prompts();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].kind, Kind::ChooseProgram);
    EXPECT_EQ(log[0].text, "/tmp/report.xyz");
}

TEST_F(PromptsTest, TextsReachTheServiceInTheSystemCodePage) {
    afx::SetTestCodePage(afx::CP_GBK);
    std::string gbk = afx::Utf8ToAnsi("文件不存在");
    prompts.AnswerMessageBox(IDOK);
    MessageBox(nullptr, gbk.c_str(), "", MB_OK);
    afx::SetTestCodePage(0);
    EXPECT_EQ(prompts.Prompts().at(0).text, "\xCE\xC4\xBC\xFE\xB2\xBB\xB4\xE6\xD4\xDA");
}

TEST_F(PromptsTest, ScriptedServiceAnswersFromWorkerThreads) {
    prompts.AnswerMessageBox(IDYES);
    auto done = std::async(std::launch::async,
                           [] { return MessageBox(nullptr, "from a worker", "", MB_YESNO); });
    ASSERT_EQ(done.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_EQ(done.get(), IDYES);
}

TEST(QtPrompts, RefusedOffTheUserInterfaceThread) {
    afx::SetPromptService(nullptr);
    auto done = std::async(std::launch::async, [] {
        std::string path;
        int box = MessageBox(nullptr, "x", "y", MB_YESNO);
        bool file = afx::Prompts().FileDialog(true, nullptr, "", "", 0, path);
        UINT popup = afx::Prompts().TrackPopup({{"Open", 32792}}, POINT{}, nullptr);
        bool program = afx::Prompts().ChooseProgram("/tmp/x");
        return box == IDNO && !file && path.empty() && popup == 0 && !program;
    });
    ASSERT_EQ(done.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_TRUE(done.get());
}

// Presses a button of the first visible message box, or gives up after ~5 s.
void PressWhenShown(QMessageBox::StandardButton which, int triesLeft = 500) {
    QTimer::singleShot(10, [which, triesLeft] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(w);
            if (box && box->isVisible()) {
                box->button(which)->click();
                return;
            }
        }
        if (triesLeft > 0) {
            PressWhenShown(which, triesLeft - 1);
        } else if (QWidget* modal = QApplication::activeModalWidget()) {
            modal->close();
        }
    });
}

TEST(QtPrompts, RealMessageBoxAnswers) {
    afx::SetPromptService(nullptr);
    PressWhenShown(QMessageBox::No);
    EXPECT_EQ(MessageBox(nullptr, "File exists, continue to overwrite?", "c", MB_YESNO), IDNO);
    PressWhenShown(QMessageBox::Yes);
    EXPECT_EQ(MessageBox(nullptr, "File exists, continue to overwrite?", "c", MB_YESNO), IDYES);
    PressWhenShown(QMessageBox::Ok);
    EXPECT_EQ(AfxMessageBox("File open failed!"), IDOK);
}

// Accepts the visible file dialog with a name typed in, or gives up after ~5 s.
void AcceptFileDialog(const QString& name, int triesLeft = 500) {
    QTimer::singleShot(10, [name, triesLeft] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* dlg = qobject_cast<QFileDialog*>(w);
            if (dlg && dlg->isVisible()) {
                // Type the name, as a user would.
                if (auto* edit = dlg->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
                    edit->setText(name);
                }
                QMetaObject::invokeMethod(dlg, "accept");
                return;
            }
        }
        if (triesLeft > 0) {
            AcceptFileDialog(name, triesLeft - 1);
        } else if (QWidget* modal = QApplication::activeModalWidget()) {
            modal->close();
        }
    });
}

TEST(QtPrompts, RealSaveDialogAddsDefaultExtension) {
    afx::SetPromptService(nullptr);
    QString dir = QDir::tempPath();
    AcceptFileDialog(dir + QStringLiteral("/ds-save-test"));
    CFileDialog dlg(FALSE, "txt", "a.txt");
    ASSERT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(dlg.GetFileName(), "ds-save-test.txt");
}

} // namespace
