// SPDX-License-Identifier: Apache-2.0
// Menus from templates: popups, removal by command, the update pass before a popup opens,
// and the chosen command coming back as WM_COMMAND, all through scripted prompts.
#include <gtest/gtest.h>

#include <QWidget>
#include <memory>
#include <vector>

#include "AfxLanguage.h"
#include "AfxMenu.h"
#include "AfxResource.h"
#include "AfxWnd.h"
#include "CodePage.h"
#include "LocalResource.h"
#include "ScriptedPrompts.h"
#include "UiTestUtil.h"

using uitest::WaitFor;

namespace {

afx::MenuTemplate TestTemplate() {
    afx::MenuTemplate t;
    afx::MenuItemTemplate file;
    file.text = "FilePopup";
    file.popup = {{"Download", 32773, false, {}},
                  {"Download to...", 32774, false, {}},
                  {"", 0, true, {}},
                  {"New folder", 32780, false, {}},
                  {"删除", 32781, false, {}}};
    afx::MenuItemTemplate dir;
    dir.text = "DirPopup";
    dir.popup = {{"Refresh", 32785, false, {}}};
    t.items = {file, dir};
    return t;
}

class CommandWnd : public CWnd {
public:
    bool canDelete = false;
    std::vector<UINT> updated;
    std::vector<UINT> commands;

protected:
    bool OnUpdateCommandUI(CCmdUI* pCmdUI) override {
        updated.push_back(pCmdUI->m_nID);
        if (pCmdUI->m_nID == 32781) {
            pCmdUI->Enable(canDelete);
            return true;
        }
        if (pCmdUI->m_nID == 32774) {
            pCmdUI->Enable(FALSE);
            return true;
        }
        return false;
    }
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_COMMAND) {
            commands.push_back(LOWORD(wParam));
            return 0;
        }
        return CWnd::WindowProc(message, wParam, lParam);
    }
};

class MenuTest : public ::testing::Test {
protected:
    void SetUp() override {
        host = std::make_unique<QWidget>();
        host->resize(100, 100);
        ASSERT_TRUE(wnd.SubclassWindow(reinterpret_cast<HWND>(host.get())));
        tmpl = TestTemplate();
        ASSERT_TRUE(menu.LoadMenuIndirect(&tmpl));
    }
    void TearDown() override {
        uitest::Pump();
        wnd.UnsubclassWindow();
    }
    std::unique_ptr<QWidget> host;
    CommandWnd wnd;
    afx::MenuTemplate tmpl;
    CMenu menu;
    ScriptedPrompts prompts;
};

} // namespace

TEST_F(MenuTest, PopupsAndRemovalByCommand) {
    EXPECT_EQ(menu.GetMenuItemCount(), 2);
    CMenu* file = menu.GetSubMenu(0);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(menu.GetSubMenu(2), nullptr);
    EXPECT_EQ(file->GetMenuItemCount(), 5);
    EXPECT_EQ(file->GetMenuItemID(2), 0u); // separator
    EXPECT_EQ(menu.GetMenuItemID(0), static_cast<UINT>(-1));
    EXPECT_TRUE(file->RemoveMenu(32780, MF_BYCOMMAND));
    EXPECT_FALSE(file->RemoveMenu(32780, MF_BYCOMMAND));
    EXPECT_EQ(file->GetMenuItemCount(), 4);
    EXPECT_EQ(file->GetMenuItemID(3), 32781u);
    EXPECT_EQ(afx::AnsiToUtf8(file->GetMenuString(32781, MF_BYCOMMAND)), "删除");
    // The template itself stays whole for the next menu built from it.
    EXPECT_EQ(tmpl.items[0].popup.size(), 5u);
}

TEST_F(MenuTest, UpdatePassDisablesItemsBeforeThePopupShows) {
    ScriptedPrompts::Installer install(prompts);
    prompts.CancelPopup();
    CMenu* file = menu.GetSubMenu(0);
    ASSERT_TRUE(file->TrackPopupMenu(TPM_LEFTALIGN | TPM_RIGHTBUTTON, 40, 50, &wnd));
    EXPECT_EQ(wnd.updated, (std::vector<UINT>{32773, 32774, 32780, 32781}));
    ASSERT_EQ(prompts.Count(ScriptedPrompts::Kind::TrackPopup), 1u);
    const auto shown = prompts.Prompts().back();
    EXPECT_EQ(shown.point.x, 40);
    EXPECT_EQ(shown.point.y, 50);
    EXPECT_EQ(shown.owner, wnd.GetSafeHwnd());
    ASSERT_EQ(shown.items.size(), 5u);
    EXPECT_TRUE(shown.items[0].enabled);
    EXPECT_FALSE(shown.items[1].enabled);
    EXPECT_TRUE(shown.items[2].separator);
    EXPECT_TRUE(shown.items[3].enabled); // no handler: left as it was
    EXPECT_FALSE(shown.items[4].enabled);
    EXPECT_EQ(shown.items[4].text, "删除");
    EXPECT_EQ(file->GetMenuState(32781, MF_BYCOMMAND) & MF_GRAYED, MF_GRAYED);
    uitest::Pump();
    EXPECT_TRUE(wnd.commands.empty());
}

TEST_F(MenuTest, ChosenCommandArrivesAsWmCommand) {
    ScriptedPrompts::Installer install(prompts);
    wnd.canDelete = true;
    prompts.AnswerPopup(32781);
    ASSERT_TRUE(menu.GetSubMenu(0)->TrackPopupMenu(TPM_RIGHTBUTTON, 0, 0, &wnd));
    ASSERT_TRUE(WaitFor([&] { return !wnd.commands.empty(); }));
    EXPECT_EQ(wnd.commands, (std::vector<UINT>{32781}));
    EXPECT_EQ(prompts.UnexpectedCount(), 0u);
}

TEST_F(MenuTest, DisabledCommandCannotBeChosen) {
    ScriptedPrompts::Installer install(prompts);
    prompts.AnswerPopup(32774); // disabled by its handler
    ASSERT_TRUE(menu.GetSubMenu(0)->TrackPopupMenu(TPM_RIGHTBUTTON, 0, 0, &wnd));
    uitest::Pump();
    EXPECT_TRUE(wnd.commands.empty());
}

TEST_F(MenuTest, ReturnCmdGivesTheChoiceInsteadOfPosting) {
    ScriptedPrompts::Installer install(prompts);
    prompts.AnswerPopup(32785);
    EXPECT_EQ(menu.GetSubMenu(1)->TrackPopupMenu(TPM_RETURNCMD, 0, 0, &wnd), 32785);
    uitest::Pump();
    EXPECT_TRUE(wnd.commands.empty());
}

TEST_F(MenuTest, ComponentMenuLoadsInBothLanguages) {
    const afx::MenuTemplate* res = LoadLocalMenu(1000);
    ASSERT_NE(res, nullptr);
    CMenu loaded;
    ASSERT_TRUE(loaded.LoadMenuIndirect(res));
    EXPECT_EQ(loaded.GetMenuItemCount(), 5);
    ASSERT_NE(loaded.GetSubMenu(0), nullptr);
    EXPECT_EQ(loaded.GetSubMenu(0)->GetMenuString(32773, MF_BYCOMMAND), "Download");
    CMenu* dir = loaded.GetSubMenu(1);
    ASSERT_NE(dir, nullptr);
    EXPECT_TRUE(dir->RemoveMenu(32780, MF_BYCOMMAND));
    EXPECT_EQ(dir->GetMenuItemID(0), 32781u);
    EXPECT_NE(loaded.GetSubMenu(2)->GetMenuItemID(0), 32781u); // only that popup lost it
    SetThreadUILanguageOverride(LANGID_ZH_CN);
    CMenu zh;
    const bool built = zh.LoadMenuIndirect(LoadLocalMenu(1000)) != 0;
    SetThreadUILanguageOverride(0);
    ASSERT_TRUE(built);
    EXPECT_EQ(afx::AnsiToUtf8(zh.GetSubMenu(0)->GetMenuString(32773, MF_BYCOMMAND)), "下载文件");
    EXPECT_FALSE(menu.LoadMenuIndirect(res)); // already built
    EXPECT_FALSE(CMenu().LoadMenuIndirect(nullptr));
}

TEST_F(MenuTest, TrackWithoutWindowFails) {
    ScriptedPrompts::Installer install(prompts);
    EXPECT_FALSE(menu.GetSubMenu(0)->TrackPopupMenu(0, 0, 0, nullptr));
    CWnd none;
    EXPECT_FALSE(menu.GetSubMenu(0)->TrackPopupMenu(0, 0, 0, &none));
    EXPECT_EQ(prompts.Count(ScriptedPrompts::Kind::TrackPopup), 0u);
}
