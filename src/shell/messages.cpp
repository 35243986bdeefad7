// The message table: every text of the user interface in English and German,
// kept as UTF-8 in 64-byte slots (English block at 0, German block at 100).
#include "shell/messages.h"

#include <array>
#include <cstddef>
#include <cstdio>
#include <cstring>

#include "platform/window.h"
#include "shell/app_state.h"

namespace {

struct MessagePair {
    MessageId id;
    const char* english;
    const char* german;
};

// Slots not listed here are empty in both languages.
constexpr MessagePair kTexts[] = {
    {0, "About", "Über"},
    {1, "2 minutes", "2 Minuten"},
    {2, "5 minutes", "5 Minuten"},
    {3, "10 minutes", "10 Minuten"},
    {4, "20 minutes", "20 Minuten"},
    {5, "50 minutes", "50 Minuten"},
    {6, "1 hour", "1 Stunde"},
    {7, "2 hours", "2 Stunden"},
    {8, "5 hours", "5 Stunden"},
    {9, "12 hours", "12 Stunden"},
    {10, "18 hours", "18 Stunden"},
    {11, "1 day", "1 Tag"},
    {12, "5 days", "5 Tage"},
    {13, "1 week", "1 Woche"},
    {14, "12 days", "12 Tage"},
    {15, "Vantrel Data Acquisition", "Vantrel Data Acquisition"},
    {16, "Acquisition interval", "Speicher Intervall"},
    {17, "kW%", "kW%"},
    {18, "Start time", "Startzeit"},
    {19, "seconds", "Sekunden"},
    {20, "Data amount", "Datenmenge"},
    {21, "Cancel", "Abbrechen"},
    {22, "Get", "Get"},
    {23, "Data acquisition", "Daten speichern"},
    {24, "Date", "Datum"},
    {25, "Time", "Zeit"},
    {26, "End time", "Endezeit"},
    {27, "Transferring data, please wait...", "Übertrage Daten, bitte warten..."},
    {28, "Abort", "Abbrechen"},
    {29, "Start:", "Anfang:"},
    {30, "End:", "Ende:"},
    {40, "No communication to M417.\nTransmission of data not possible!",
        "Keine Verbindung zum M417. Übertragung nicht möglich!"},
    {41, "Timeout on reception of data,\ntransmission aborted!",
        "Timeout bei Empfang der Daten\nÜbertragung beendet!"},
    {42, "Communication", "Kommunikation"},
    {43, "Error:", "Fehler:"},
    {44, "Invalid time settings!", "Ungültige Zeiteinstellungen!"},
    {45, "No data present,\naborting operation", "Keine Daten vorhanden,\nbeende Funktion"},
    {46, "Saving data...", "Daten sichern..."},
    {47, "Set Time", "Zeit einstellen"},
    {48, "Screen Dump", "Bildschirm speichern"},
    {49, "Print", "Drucken"},
    {50, "No data present", "Keine Daten vorhanden"},
    {70, "Error allocating memory for bitmap", "Fehler bei Speicherreservierung für bitmap"},
    {71, "Error retrieving BMP-color format",
        "Fehler bei der Wiederherstellung des BMP-Farbformates"},
    {72, "Error retrieving color table information",
        "Fehler bei der Wiederherstellung der Farbinformation"},
    {73, "Error closing file...", "Fehler beim Schließen der Datei..."},
    {74, "Error creating the BMP-file", "Fehler beim Einrichten der BMP-Datei"},
    {75, "Error creating an Event!", "Einrichten des Vorgangs nicht möglich!"},
    {76, "The received data could not be stored",
        "Die empfangenen Daten konnten nicht gespeichert werden"},
    {77, "Error opening configuration file",
        "Konfigurationseinstellungen können nicht gelesen werden!"},
    {78, "Comm Port occupied or non-existing", "Komm. Schnittstelle besetzt oder nicht vorhanden"},
    {79, "Unable to open printer", "Drucker nicht gefunden"},
    {80, "Unable to load data from disc!", "Daten können nicht von der Festplatte geladen werden"},
    {81, "Error loading data from file!", "Daten können nicht geladen werden!"},
    {82, "Error loading header from file!", "Header kann nicht geladen werden!"},
    {83, "Error printing...", "Fehler beim Drucken..."},
    {84, "Unable to save data on disc!",
        "Daten können nicht auf der Festplatte gespeichert werden!"},
    {85, "Error saving data to data file!", "Daten können nicht in der Datei gespeichert werden!"},
    {86, "Error saving header to data file!", "Header kann nicht gespeichert werden!"},
    {87, "Error Writing file to disc", "Fehler beim Speichern"},
    {88, "Monitor resolution too small\nContinue anyway?", "Monitor-Auflösung zu klein\nWeiter?"},
    {89, "W417 not found on any COM-port!", "W417 nicht gefunden"},
};

constexpr std::size_t textBytes(const char* s) {
    std::size_t n = 0;
    while (s[n] != '\0') ++n;
    return n;
}

// Each text plus its terminator must fit a slot, and every id must name a
// slot of its language block exactly once.
constexpr bool everyTextFitsItsSlot() {
    for (const MessagePair& m : kTexts) {
        if (textBytes(m.english) >= kMessageSlotBytes) return false;
        if (textBytes(m.german) >= kMessageSlotBytes) return false;
    }
    return true;
}
constexpr bool everyIdIsInRangeAndUnique() {
    bool seen[kMessageSlots / 2] = {};
    for (const MessagePair& m : kTexts) {
        if (m.id >= kMessageSlots / 2 || seen[m.id]) return false;
        seen[m.id] = true;
    }
    return true;
}
static_assert(everyTextFitsItsSlot(), "a message text does not fit its 64-byte slot");
static_assert(everyIdIsInRangeAndUnique(), "message ids must be 0..99 and unique");

using Slot = std::array<char, kMessageSlotBytes>;
using Table = std::array<Slot, kMessageSlots>;

constexpr void copyInto(Slot& slot, const char* text) {
    for (std::size_t i = 0; text[i] != '\0'; ++i) slot[i] = text[i];
}

constexpr Table buildTable() {
    Table t{};
    for (const MessagePair& m : kTexts) {
        copyInto(t[English + m.id], m.english);
        copyInto(t[German + m.id], m.german);
    }
    return t;
}

constexpr Table kMessageTable = buildTable();
static_assert(kMessageTable[German + 0][0] == '\xC3', "German texts are stored as UTF-8");

}  // namespace

std::uint16_t effectiveLanguage() {
    return gSettings.language == German ? German : English;
}

const char* messageTextPtr(MessageId id) {
    // An id outside one language block yields the (always empty) last slot
    // rather than a text of the other language or memory past the table.
    if (id >= kMessageSlots / 2) return kMessageTable[kMessageSlots - 1].data();
    return kMessageTable[effectiveLanguage() + id].data();
}

void messageText(MessageId id, char* dest) {
    std::memcpy(dest, messageTextPtr(id), kMessageSlotBytes);
}

ComposedMessage composeMessage(MessageId textId, MessageId captionId, long code) {
    ComposedMessage m{};
    messageText(textId, m.text);
    messageText(captionId, m.caption);
    if (code != 0) {
        std::size_t used = std::strlen(m.text);
        std::snprintf(m.text + used, sizeof m.text - used, ": %ld", code);
    }
    m.errorIcon = textId >= 70;
    return m;
}

void showMessage(MessageId textId, MessageId captionId, long code) {
    const ComposedMessage m = composeMessage(textId, captionId, code);
    platform::messageBox(m.text, m.caption,
                         m.errorIcon ? platform::MessageIcon::Error : platform::MessageIcon::Information);
}
