#include "shell/messages.h"

#include <gtest/gtest.h>

#include <cstring>
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
