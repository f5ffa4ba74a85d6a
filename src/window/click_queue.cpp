#include "window/click_queue.h"

// A full queue drops the click, as a full input queue would. A click like the last one queued is
// the second half of a double-click: that request is already waiting.
bool ClickQueue::Push(uint8_t command) {
    if (count_ == kCapacity ||
        (count_ > 0 && items_[(first_ + count_ - 1) % kCapacity] == command)) {
        return false;
    }
    items_[(first_ + count_) % kCapacity] = command;
    ++count_;
    return true;
}

bool ClickQueue::Pop(uint8_t* command) {
    if (count_ == 0) {
        return false;
    }
    *command = items_[first_];
    first_ = (first_ + 1) % kCapacity;
    --count_;
    return true;
}
