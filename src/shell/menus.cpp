#include "shell/menus.h"

#include <iterator>

#include "shell/main_window.h"

namespace {

using K = MenuEntryKind;

constexpr MenuEntry kEnglish[] = {
    {K::Popup, 0, "&File"},
    {K::Command, CmdSave, "&Save"},
    {K::Command, CmdOpen, "&Open"},
    {K::Popup, 0, "&Export"},
    {K::Command, CmdExportZoom, "&Zoom window"},
    {K::Command, CmdExportMain, "&Main window"},
    {K::Command, CmdExportAll, "&All"},
    {K::PopupEnd, 0, nullptr},
    {K::Separator, 0, nullptr},
    {K::Command, CmdExit, "&Exit"},
    {K::PopupEnd, 0, nullptr},
    {K::Popup, 0, "&Communication"},
    {K::Command, 2001, "COM &1"},
    {K::Command, 2002, "COM &2"},
    {K::Command, 2003, "COM &3"},
    {K::Command, 2004, "COM &4"},
    {K::Command, 2005, "COM &5"},
    {K::Command, 2006, "COM &6"},
    {K::Command, 2007, "COM &7"},
    {K::Command, 2008, "COM &8"},
    {K::Separator, 0, nullptr},
    {K::Command, CmdAutoConnect, "&Auto connect"},
    {K::PopupEnd, 0, nullptr},
    {K::Popup, 0, "&Data acquisition"},
    {K::Command, CmdTransfer, "&Transfer"},
    {K::Command, CmdSetTime, "&Set time"},
    {K::PopupEnd, 0, nullptr},
    {K::Popup, 0, "&Print"},
    {K::Command, CmdScreenDump, "&Screen dump"},
    {K::Command, CmdPrinter, "&Printer"},
    {K::PopupEnd, 0, nullptr},
    {K::Popup, 0, "&Language"},
    {K::Command, CmdEnglish, "&English"},
    {K::Command, CmdGerman, "&German"},
    {K::PopupEnd, 0, nullptr},
    {K::Command, CmdAbout, "&About"},
};

constexpr MenuEntry kGerman[] = {
    {K::Popup, 0, "&Datei"},
    {K::Command, CmdSave, "&Sichern"},
    {K::Command, CmdOpen, "&Laden"},
    {K::Popup, 0, "&Export"},
    {K::Command, CmdExportZoom, "&Zoom Fenster"},
    {K::Command, CmdExportMain, "&Haupt Fenster"},
    {K::Command, CmdExportAll, "&Alles"},
    {K::PopupEnd, 0, nullptr},
    {K::Separator, 0, nullptr},
    {K::Command, CmdExit, "&Beenden"},
    {K::PopupEnd, 0, nullptr},
    {K::Popup, 0, "&Kommunikation"},
    {K::Command, 2001, "COM &1"},
    {K::Command, 2002, "COM &2"},
    {K::Command, 2003, "COM &3"},
    {K::Command, 2004, "COM &4"},
    {K::Command, 2005, "COM &5"},
    {K::Command, 2006, "COM &6"},
    {K::Command, 2007, "COM &7"},
    {K::Command, 2008, "COM &8"},
    {K::Separator, 0, nullptr},
    {K::Command, CmdAutoConnect, "&Auto Anschluss"},
    {K::PopupEnd, 0, nullptr},
    {K::Popup, 0, "Da&ten"},
    {K::Command, CmdTransfer, "&Übertragen"},
    {K::Command, CmdSetTime, "&Zeit einstellen"},
    {K::PopupEnd, 0, nullptr},
    {K::Popup, 0, "&Drucken"},
    {K::Command, CmdScreenDump, "&Screen dump"},
    {K::Command, CmdPrinter, "&Drucker"},
    {K::PopupEnd, 0, nullptr},
    {K::Popup, 0, "&Sprache"},
    {K::Command, CmdEnglish, "&Englisch"},
    {K::Command, CmdGerman, "&Deutsch"},
    {K::PopupEnd, 0, nullptr},
    {K::Command, CmdAbout, "&Über"},
};

// The two menus must stay twins: same kinds and ids in the same order.
constexpr bool sameStructure() {
    if (std::size(kEnglish) != std::size(kGerman)) return false;
    for (std::size_t i = 0; i < std::size(kEnglish); ++i) {
        if (kEnglish[i].kind != kGerman[i].kind || kEnglish[i].id != kGerman[i].id) return false;
    }
    return true;
}
static_assert(sameStructure(), "the English and German menus differ in structure");

}  // namespace

std::span<const MenuEntry> menuResource(int resource) {
    if (resource == kEnglishMenu) return kEnglish;
    if (resource == kGermanMenu) return kGerman;
    return {};
}
