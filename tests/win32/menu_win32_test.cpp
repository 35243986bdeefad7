// The Win32 menu bars hold exactly the core's menu tables, in both languages.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32/menu_win32.h"
#include "platform/win32/text_win32.h"
#include "shell/menus.h"

namespace {

// The menu written out as the table's entries would read.
void flatten(HMENU menu, std::vector<MenuEntry>& out, std::vector<std::string>& texts) {
    const int n = GetMenuItemCount(menu);
    for (int i = 0; i < n; ++i) {
        wchar_t text[256] = {};
        MENUITEMINFOW info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_SUBMENU | MIIM_STRING | MIIM_STATE;
        info.dwTypeData = text;
        info.cch = 255;
        ASSERT_TRUE(GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info));
        if ((info.fType & MFT_SEPARATOR) != 0) {
            out.push_back({MenuEntryKind::Separator, 0, nullptr});
            continue;
        }
        texts.push_back(platform::win32::narrow(text));
        EXPECT_EQ(info.fState & MFS_CHECKED, 0u) << texts.back() << ": check marks start cleared";
        if (info.hSubMenu != nullptr) {
            out.push_back({MenuEntryKind::Popup, 0, nullptr});
            flatten(info.hSubMenu, out, texts);
            out.push_back({MenuEntryKind::PopupEnd, 0, nullptr});
        } else {
            out.push_back({MenuEntryKind::Command, static_cast<int>(info.wID), nullptr});
        }
    }
}

TEST(MenuWin32, BothLanguagesHoldTheTablesItemsIdsAndTexts) {
    for (int resource : {kEnglishMenu, kGermanMenu}) {
        SCOPED_TRACE(resource);
        HMENU bar = platform::win32::buildMenuBar(resource);
        ASSERT_NE(bar, nullptr);
        std::vector<MenuEntry> got;
        std::vector<std::string> texts;
        flatten(bar, got, texts);
        DestroyMenu(bar);

        std::vector<std::string> wantTexts;
        const auto want = menuResource(resource);
        ASSERT_EQ(got.size(), want.size());
        for (std::size_t i = 0; i < want.size(); ++i) {
            EXPECT_EQ(got[i].kind, want[i].kind) << i;
            if (want[i].kind == MenuEntryKind::Command) {
                EXPECT_EQ(got[i].id, want[i].id) << i;
            }
            if (want[i].text != nullptr) wantTexts.push_back(want[i].text);
        }
        EXPECT_EQ(texts, wantTexts) << "UTF-8 captions with their & mnemonics";
    }
    EXPECT_EQ(platform::win32::buildMenuBar(0), nullptr);
    EXPECT_EQ(platform::win32::buildMenuBar(205), nullptr);
}

}  // namespace
