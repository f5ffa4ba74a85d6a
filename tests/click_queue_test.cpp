#include <gtest/gtest.h>

#include <vector>

#include "window/click_queue.h"

namespace {

// A click that arrives while an action runs is handled once that action has ended; one on the
// running action's own button is dropped.
TEST(ClickQueue, DefersClicksThatArriveDuringAnActionAndKeepsTheirOrder) {
    ClickQueue queue;
    std::vector<int> log;
    auto run = [&](uint8_t command) {
        log.push_back(command);
        if (command == 1) {
            queue.Click(1, [&](uint8_t inner) { log.push_back(100 + inner); });
            queue.Click(2, [&](uint8_t inner) { log.push_back(100 + inner); });
            queue.Click(3, [&](uint8_t inner) { log.push_back(100 + inner); });
            log.push_back(-1);
        }
    };
    queue.Click(1, run);
    EXPECT_EQ(log, (std::vector<int>{1, -1, 2, 3}));

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
                queue.Click(1, [](uint8_t) {});
            }
        }
    });
    EXPECT_EQ(ran, 33);
}

}  // namespace
