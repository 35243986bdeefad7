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

// The entries of menu resource 204 or 304 in order; empty for any other number.
std::span<const MenuEntry> menuResource(int resource);
