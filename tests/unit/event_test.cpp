#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "device/event.h"

TEST(Event, MissingEventIgnoresSetAndFailsWaitAtOnce) {
    Event e;
    e.set();
    EXPECT_FALSE(e.isSet());
    EXPECT_FALSE(e.wait(10000));  // returns at once, not after 10 s
    e.create(Event::Reset::Manual);
    EXPECT_FALSE(e.isSet()) << "a set() before creation must not be remembered";
}

TEST(Event, ManualResetStaysRaisedUntilCleared) {
    Event e;
    e.create(Event::Reset::Manual);
    e.set();
    EXPECT_TRUE(e.wait(0));
    EXPECT_TRUE(e.wait(0));
    e.reset();
    EXPECT_FALSE(e.wait(0));
}

TEST(Event, AutoResetIsConsumedByOneWait) {
    Event e;
    e.create(Event::Reset::Auto);
    e.set();
    EXPECT_TRUE(e.wait(0));
    EXPECT_FALSE(e.wait(0));
}

TEST(Event, WakesAWaiterOnAnotherThreadAndOnClose) {
    Event e;
    e.create(Event::Reset::Manual);
    std::thread t([&] { e.set(); });
    EXPECT_TRUE(e.wait(-1));
    t.join();

    Event closing;
    closing.create(Event::Reset::Manual);
    std::thread c([&] { closing.close(); });
    EXPECT_FALSE(closing.wait(-1));
    c.join();
}
