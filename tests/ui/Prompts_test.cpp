// SPDX-License-Identifier: Apache-2.0
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <optional>
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

// Runs an action on the first visible top-level widget of type W, or gives up after ~5 s.
template <typename W> void WhenShown(std::function<void(W*)> act, int triesLeft = 500) {
    QTimer::singleShot(10, [act, triesLeft] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* target = qobject_cast<W*>(w); target && target->isVisible()) {
                act(target);
                return;
            }
        }
        if (triesLeft > 0) {
            WhenShown<W>(act, triesLeft - 1);
        } else if (QWidget* popup = QApplication::activePopupWidget()) {
            popup->close();
        } else if (QWidget* modal = QApplication::activeModalWidget()) {
            modal->close();
        }
    });
}

TEST(QtPrompts, RealMessageBoxAnswers) {
    afx::SetPromptService(nullptr);
    WhenShown<QMessageBox>([](QMessageBox* box) { box->button(QMessageBox::No)->click(); });
    EXPECT_EQ(MessageBox(nullptr, "File exists, continue to overwrite?", "c", MB_YESNO), IDNO);
    WhenShown<QMessageBox>([](QMessageBox* box) { box->button(QMessageBox::Yes)->click(); });
    EXPECT_EQ(MessageBox(nullptr, "File exists, continue to overwrite?", "c", MB_YESNO), IDYES);
    WhenShown<QMessageBox>([](QMessageBox* box) { box->button(QMessageBox::Ok)->click(); });
    EXPECT_EQ(AfxMessageBox("File open failed!"), IDOK);
}

TEST(QtPrompts, FileNamesInTextsAreNotMarkup) {
    afx::SetPromptService(nullptr);
    QString shown;
    WhenShown<QMessageBox>([&shown](QMessageBox* box) {
        for (QLabel* label : box->findChildren<QLabel*>()) {
            if (label->text().contains(QStringLiteral("<img")) &&
                label->textFormat() == Qt::PlainText) {
                shown = label->text();
            }
        }
        box->button(QMessageBox::No)->click();
    });
    MessageBox(nullptr, "Confirm to delete file <img src=x>a.txt?", "c", MB_YESNO);
    EXPECT_EQ(shown, QStringLiteral("Confirm to delete file <img src=x>a.txt?"));
}

TEST(QtPrompts, OwnerClosedWhileBoxIsShown) {
    afx::SetPromptService(nullptr);
    auto* owner = new QWidget;
    owner->show();
    WhenShown<QMessageBox>([owner](QMessageBox*) { delete owner; }); // takes the box along
    EXPECT_EQ(MessageBox(reinterpret_cast<HWND>(owner), "Overwrite?", "c", MB_YESNO), IDNO);
}

TEST(QtPrompts, RealSaveDialogAddsDefaultExtension) {
    afx::SetPromptService(nullptr);
    QString dir = QDir::tempPath();
    WhenShown<QFileDialog>([dir](QFileDialog* dlg) {
        // Type the name, as a user would.
        if (auto* edit = dlg->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
            edit->setText(dir + QStringLiteral("/ds-save-test"));
        }
        QMetaObject::invokeMethod(dlg, "accept");
    });
    CFileDialog dlg(FALSE, "txt", "a.txt");
    ASSERT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(dlg.GetFileName(), "ds-save-test.txt");
}

TEST(QtPrompts, RealPopupMenuReturnsChosenId) {
    afx::SetPromptService(nullptr);
    std::vector<afx::PopupItem> items = {{"Open", 32792, true, false},
                                         {"", 0, true, true},
                                         {"Save As...", 32790, false, false},
                                         {"Open folder", 32789, true, false}};
    std::vector<std::pair<QString, bool>> shown;
    WhenShown<QMenu>([&shown](QMenu* menu) {
        QAction* target = nullptr;
        for (QAction* a : menu->actions()) {
            if (!a->isSeparator()) {
                shown.emplace_back(a->text(), a->isEnabled());
            }
            if (a->data().toUInt() == 32789) {
                target = a;
            }
        }
        menu->setActiveAction(target);
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(menu, &enter);
    });
    EXPECT_EQ(afx::Prompts().TrackPopup(items, POINT{40, 40}, nullptr), 32789u);
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[1].first, QStringLiteral("Save As..."));
    EXPECT_FALSE(shown[1].second);
    EXPECT_TRUE(shown[2].second);

    WhenShown<QMenu>([](QMenu* menu) { menu->close(); });
    EXPECT_EQ(afx::Prompts().TrackPopup(items, POINT{40, 40}, nullptr), 0u);
}

// Desktop entries in private XDG folders; the one application records what it was given.
class ProgramChoice : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() / ("ds-choice-" + std::to_string(::getpid()));
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_ / "data/applications");
        trace_ = dir_ / "launched.txt";
        std::ofstream(dir_ / "fakeapp")
            << "#!/bin/sh\nprintf '%s' \"$1\" > '" << trace_.string() << ".tmp'\nmv '"
            << trace_.string() << ".tmp' '" << trace_.string() << "'\n";
        std::filesystem::permissions(dir_ / "fakeapp", std::filesystem::perms::owner_all);
        std::ofstream(dir_ / "data/applications/fake-viewer.desktop")
            << "[Desktop Entry]\nType=Application\nName=Fake Viewer\nExec=\""
            << (dir_ / "fakeapp").string() << "\" %f\nMimeType=text/plain;\n";
        Save("XDG_DATA_HOME", (dir_ / "data").string());
        Save("XDG_DATA_DIRS", (dir_ / "none").string());
        file_ = dir_ / "notes.txt";
        std::ofstream(file_) << "hello\n";
        afx::SetPromptService(nullptr);
    }
    void TearDown() override {
        for (auto& [name, value] : saved_) {
            if (value) {
                setenv(name.c_str(), value->c_str(), 1);
            } else {
                unsetenv(name.c_str());
            }
        }
        std::filesystem::remove_all(dir_);
    }
    void Save(const std::string& name, const std::string& value) {
        const char* old = std::getenv(name.c_str());
        saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
        setenv(name.c_str(), value.c_str(), 1);
    }
    std::string WaitForTrace() {
        for (int i = 0; i < 500 && !std::filesystem::exists(trace_); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        std::ifstream in(trace_);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    std::filesystem::path dir_, trace_, file_;
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

TEST_F(ProgramChoice, ChosenProgramStartsWithTheFile) {
    QStringList listed;
    WhenShown<QDialog>([&listed](QDialog* dlg) {
        auto* list = dlg->findChild<QListWidget*>();
        for (int i = 0; list && i < list->count(); ++i) {
            listed << list->item(i)->text();
        }
        dlg->accept();
    });
    EXPECT_TRUE(afx::OpenWithDialog(file_.string()));
    EXPECT_EQ(listed, QStringList{QStringLiteral("Fake Viewer")});
    EXPECT_EQ(WaitForTrace(), file_.string());
}

TEST_F(ProgramChoice, CancelledChoiceStartsNothing) {
    WhenShown<QDialog>([](QDialog* dlg) { dlg->reject(); });
    EXPECT_FALSE(afx::OpenWithDialog(file_.string()));
    EXPECT_FALSE(std::filesystem::exists(trace_));
}

} // namespace
