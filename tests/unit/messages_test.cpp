#include "shell/messages.h"

#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <string>

#include "fakes/fake_platform.h"
#include "shell/app_state.h"

namespace {

class MessagesTest : public ::testing::Test {
protected:
    void SetUp() override {
        resetGlobalStateForTests();
        fake::reset();
    }
};

std::string text(MessageId id) { return messageTextPtr(id); }

TEST_F(MessagesTest, TextsInBothLanguages) {
    EXPECT_EQ(text(0), "About");
    EXPECT_EQ(text(8), "5 hours");
    EXPECT_EQ(text(45), "No data present,\naborting operation");
    EXPECT_EQ(text(84), "Unable to save data on disc!");
    EXPECT_EQ(text(89), "W417 not found on any COM-port!");
    gSettings.language = German;
    EXPECT_EQ(text(0), "\xC3\x9C" "ber");
    EXPECT_EQ(text(14), "12 Tage");
    EXPECT_EQ(text(27), "\xC3\x9C" "bertrage Daten, bitte warten...");
    EXPECT_EQ(text(73), "Fehler beim Schlie\xC3\x9F" "en der Datei...");
    // The longest German text still fits its slot with its terminator.
    EXPECT_EQ(text(84), "Daten k\xC3\xB6nnen nicht auf der Festplatte gespeichert werden!");
    EXPECT_LT(std::strlen(messageTextPtr(84)), static_cast<std::size_t>(kMessageSlotBytes));
}

// Every text of the table in both languages, written out independently of the
// table in the program; every other slot is empty.
TEST_F(MessagesTest, WholeTableInBothLanguages) {
    const struct {
        MessageId id;
        const char* english;
        const char* german;
    } expected[] = {
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
        {40, "No communication to M417.\nTransmission of data not possible!", "Keine Verbindung zum M417. Übertragung nicht möglich!"},
        {41, "Timeout on reception of data,\ntransmission aborted!", "Timeout bei Empfang der Daten\nÜbertragung beendet!"},
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
        {71, "Error retrieving BMP-color format", "Fehler bei der Wiederherstellung des BMP-Farbformates"},
        {72, "Error retrieving color table information", "Fehler bei der Wiederherstellung der Farbinformation"},
        {73, "Error closing file...", "Fehler beim Schließen der Datei..."},
        {74, "Error creating the BMP-file", "Fehler beim Einrichten der BMP-Datei"},
        {75, "Error creating an Event!", "Einrichten des Vorgangs nicht möglich!"},
        {76, "The received data could not be stored", "Die empfangenen Daten konnten nicht gespeichert werden"},
        {77, "Error opening configuration file", "Konfigurationseinstellungen können nicht gelesen werden!"},
        {78, "Comm Port occupied or non-existing", "Komm. Schnittstelle besetzt oder nicht vorhanden"},
        {79, "Unable to open printer", "Drucker nicht gefunden"},
        {80, "Unable to load data from disc!", "Daten können nicht von der Festplatte geladen werden"},
        {81, "Error loading data from file!", "Daten können nicht geladen werden!"},
        {82, "Error loading header from file!", "Header kann nicht geladen werden!"},
        {83, "Error printing...", "Fehler beim Drucken..."},
        {84, "Unable to save data on disc!", "Daten können nicht auf der Festplatte gespeichert werden!"},
        {85, "Error saving data to data file!", "Daten können nicht in der Datei gespeichert werden!"},
        {86, "Error saving header to data file!", "Header kann nicht gespeichert werden!"},
        {87, "Error Writing file to disc", "Fehler beim Speichern"},
        {88, "Monitor resolution too small\nContinue anyway?", "Monitor-Auflösung zu klein\nWeiter?"},
        {89, "W417 not found on any COM-port!", "W417 nicht gefunden"},
    };
    std::size_t next = 0;
    for (MessageId id = 0; id < 100; ++id) {
        const bool used = next < std::size(expected) && expected[next].id == id;
        gSettings.language = English;
        EXPECT_EQ(text(id), used ? expected[next].english : "") << id;
        gSettings.language = German;
        EXPECT_EQ(text(id), used ? expected[next].german : "") << id;
        if (used) ++next;
    }
    EXPECT_EQ(next, std::size(expected));
}

TEST_F(MessagesTest, EmptySlotsAndOutOfRangeIdsYieldEmptyText) {
    for (MessageId id : {31u, 39u, 51u, 69u, 90u, 99u, 100u, 150u, 199u, 200u, 0xFFFFFFFFu}) {
        EXPECT_EQ(text(id), "") << id;
        gSettings.language = German;
        EXPECT_EQ(text(id), "") << id;
        gSettings.language = English;
    }
}

TEST_F(MessagesTest, UnknownLanguageFallsBackToEnglish) {
    for (std::uint16_t lang : {1, 50, 99, 101, 200, 0xFFFF}) {
        gSettings.language = lang;
        EXPECT_EQ(effectiveLanguage(), English);
        EXPECT_EQ(text(0), "About");
        EXPECT_EQ(text(89), "W417 not found on any COM-port!");
    }
}

TEST_F(MessagesTest, MessageTextCopiesWholeSlot) {
    char buf[kMessageSlotBytes];
    std::memset(buf, 'x', sizeof buf);
    gSettings.language = German;
    messageText(21, buf);
    EXPECT_STREQ(buf, "Abbrechen");
}

TEST_F(MessagesTest, ResultCodeIsAppendedOnlyWhenNonZero) {
    EXPECT_STREQ(composeMessage(45, 46, 0).text, "No data present,\naborting operation");
    EXPECT_STREQ(composeMessage(80, 43, 30002).text, "Unable to load data from disc!: 30002");
    EXPECT_STREQ(composeMessage(84, 43, -5).text, "Unable to save data on disc!: -5");
    EXPECT_STREQ(composeMessage(84, 43, -2147483647L - 1).text,
                 "Unable to save data on disc!: -2147483648");
    gSettings.language = German;
    ComposedMessage m = composeMessage(84, 43, 2147483647L);
    EXPECT_STREQ(m.text, "Daten k\xC3\xB6nnen nicht auf der Festplatte gespeichert werden!: 2147483647");
    EXPECT_STREQ(m.caption, "Fehler:");
}

TEST_F(MessagesTest, IconFollowsTextIdOnly) {
    // 40 and 41 report failures but sit below 70.
    for (MessageId id : {0u, 40u, 41u, 44u, 45u, 69u}) EXPECT_FALSE(composeMessage(id, 43, 0).errorIcon) << id;
    for (MessageId id : {70u, 75u, 77u, 89u, 99u}) EXPECT_TRUE(composeMessage(id, 15, 0).errorIcon) << id;
}

TEST_F(MessagesTest, ShowMessageReachesThePlatformBox) {
    gSettings.language = German;
    showMessage(78, 42, 13);
    ASSERT_EQ(fake::state().messages.size(), 1u);
    const fake::Message& m = fake::state().messages[0];
    EXPECT_EQ(m.text, "Komm. Schnittstelle besetzt oder nicht vorhanden: 13");
    EXPECT_EQ(m.caption, "Kommunikation");
    EXPECT_TRUE(m.errorIcon);
}

}  // namespace
