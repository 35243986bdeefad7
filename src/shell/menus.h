// The two menu bars, one per language: menu 204 (English) and 304 (German).
// Both have the same structure and command ids; only the captions differ.
// "&" marks the mnemonic letter.
#pragma once

#include <span>

enum class MenuEntryKind {
    Popup,      // opens a submenu; entries up to the matching PopupEnd belong to it
    PopupEnd,
    Command,    // an item with a command id
    Separator,
};

struct MenuEntry {
    MenuEntryKind kind;
    int id;             // command id, 0 for popups and separators
    const char* text;   // UTF-8 caption; nullptr for PopupEnd and separators
};

inline constexpr int kEnglishMenu = 204;
inline constexpr int kGermanMenu = 304;

// Keyboard shortcuts of the main window beside the menus (their captions stay
// as they are): Ctrl and the letter run the command as its menu item does.
struct CtrlShortcut {
    char letter;  // upper case, as the key's virtual key code
    int commandId;
};
inline constexpr CtrlShortcut kCtrlShortcuts[] = {{'O', 2010}, {'S', 2009}, {'P', 2019}};  // Open, Save, Printer

// The entries of menu resource 204 or 304 in order; empty for any other number.
std::span<const MenuEntry> menuResource(int resource);
