#include <gtest/gtest.h>

#include <vector>

#include "window/click_queue.h"

namespace {

// A click that arrives while an action runs is handled once that action has ended. One on the
// running action's own button is dropped, and so is one like the last queued (a double-click).
TEST(ClickQueue, DefersClicksThatArriveDuringAnActionAndKeepsTheirOrder) {
    ClickQueue queue;
    std::vector<int> log;
    auto run = [&](uint8_t command) {
        log.push_back(command);
        if (command == 1) {
            for (uint8_t click : {1, 2, 2, 3, 4, 2}) {
                queue.Click(click, [&](uint8_t inner) { log.push_back(100 + inner); });
            }
            log.push_back(-1);
        }
    };
    queue.Click(1, run);
    EXPECT_EQ(log, (std::vector<int>{1, -1, 2, 3, 4, 2}));

    log.clear();
    queue.Click(4, run);
    EXPECT_EQ(log, std::vector<int>{4});
}

TEST(ClickQueue, DropsClicksBeyondItsCapacity) {
    ClickQueue queue;
    int ran = 0;
    queue.Click(0, [&](uint8_t command) {
        ++ran;
        if (command == 0) {
            for (int i = 0; i < 100; ++i) {
                queue.Click(static_cast<uint8_t>(1 + i % 2), [](uint8_t) {});
            }
        }
    });
    EXPECT_EQ(ran, 33);
}

}  // namespace
