#pragma once

#include <cstdint>

// Keeps actions from running inside one another. Clicks reach the window while an action runs: its
// waits read the user's input, and its message box dispatches what is queued. Such a click is held
// here and run once the running action has ended, in the order the clicks came.
class ClickQueue {
  public:
    // Runs `run(command)` now, or after the action that is running. `run` must check that the
    // command still applies (a button may have been disabled meanwhile).
    template <typename Run>
    void Click(uint8_t command, Run&& run) {
        // The running action's own button again (the second half of a double-click, say): that
        // request is already under way.
        if ((running_ && command == current_) || !Push(command) || running_) {
            return;
        }
        running_ = true;
        while (Pop(&current_)) {
            run(current_);
        }
        running_ = false;
    }

    bool Running() const { return running_; }

  private:
    bool Push(uint8_t command);
    bool Pop(uint8_t* command);

    static constexpr int kCapacity = 32;
    uint8_t items_[kCapacity] = {};
    int first_ = 0;
    int count_ = 0;
    bool running_ = false;
    uint8_t current_ = 0;
};
