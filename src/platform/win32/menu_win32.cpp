#include "platform/win32/menu_win32.h"

#include <string>
#include <vector>

#include "platform/win32/text_win32.h"
#include "shell/menus.h"

namespace platform::win32 {

HMENU buildMenuBar(int resource) {
    const auto entries = menuResource(resource);
    if (entries.empty()) return nullptr;
    HMENU bar = CreateMenu();
    if (bar == nullptr) return nullptr;
    std::vector<HMENU> open{bar};  // menus being filled, innermost last
    for (const MenuEntry& entry : entries) {
        HMENU into = open.back();
        switch (entry.kind) {
        case MenuEntryKind::Popup: {
            HMENU popup = CreatePopupMenu();
            AppendMenuW(into, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(popup), widen(entry.text).c_str());
            open.push_back(popup);
            break;
        }
        case MenuEntryKind::PopupEnd:
            if (open.size() > 1) open.pop_back();
            break;
        case MenuEntryKind::Separator:
            AppendMenuW(into, MF_SEPARATOR, 0, nullptr);
            break;
        case MenuEntryKind::Command:
            AppendMenuW(into, MF_STRING | MF_UNCHECKED, static_cast<UINT_PTR>(entry.id), widen(entry.text).c_str());
            break;
        }
    }
    return bar;
}

}  // namespace platform::win32
