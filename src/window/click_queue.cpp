#include "window/click_queue.h"

// A full queue drops the click, as a full input queue would.
bool ClickQueue::Push(uint8_t command) {
    if (count_ == kCapacity) {
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
