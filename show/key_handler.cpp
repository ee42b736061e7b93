#include "show/key_handler.h"

#include "show/virtual_keys.h"

ShowKeyHandler::ShowKeyHandler(Clock::time_point now)
    : last_key_time_(LongAgo(now))
{
}

KeyResult ShowKeyHandler::FormKeyDown(int key, bool advanceKeypress, Clock::time_point now)
{
    KeyResult result;
    // Auto-repeat sends presses without releases; only one every interval gets
    // through. A dropped key must not count for the quit sequence either.
    if (now - last_key_time_ < kKeyInterval)
        return result;
    last_key_time_ = now;
    result.handled = true;

    result.close = UpdateQuitLetters(key);

    const int defaultStep = advanceKeypress ? 1 : 0;
    switch (key) {
    case vk::Back:
        result.step = 0;
        break;
    case vk::Escape:
        result.showSplash = true;
        result.step = defaultStep;
        break;
    case vk::Space:
    case vk::Next:
        result.step = 1;
        break;
    case vk::Prior:
        result.step = -1;
        break;
    default:
        result.step = defaultStep;
        break;
    }
    return result;
}

void ShowKeyHandler::FormKeyUp(Clock::time_point now)
{
    last_key_time_ = LongAgo(now);
}

// Q always starts over; U, I and T only move the sequence on when they come
// next and otherwise leave it as it is, so a repeated letter is forgiven;
// every other key wipes it. Returns true when T completes it.
bool ShowKeyHandler::UpdateQuitLetters(int key)
{
    switch (key) {
    case vk::Q:
        quit_letters_ = "q";
        return false;
    case vk::U:
        if (quit_letters_ == "q")
            quit_letters_ = "qu";
        return false;
    case vk::I:
        if (quit_letters_ == "qu")
            quit_letters_ = "qui";
        return false;
    case vk::T:
        return quit_letters_ == "qui";
    default:
        quit_letters_.clear();
        return false;
    }
}
