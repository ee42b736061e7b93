#pragma once

#include <chrono>
#include <string>

// What one key press asks of the show window.
struct KeyResult {
    bool handled = false;    // false: the key came too soon and does nothing at all
    int step = 0;            // the slide step: -1, 0 or +1
    bool showSplash = false; // show the keyboard help before stepping
    bool close = false;      // the quit sequence is complete; the step still happens
};

// The show's key handling, apart from any window: the throttle for held keys,
// the Q U I T quit sequence and the step each key makes. Times are passed in.
//
// The throttle runs on the monotonic clock rather than on the time of day, so
// that setting the system clock can neither freeze the keys for hours nor let
// a held key through on every repeat.
class ShowKeyHandler {
public:
    using Clock = std::chrono::steady_clock;

    // A key is accepted only this long after the last accepted one, unless a
    // key was released in between.
    static constexpr std::chrono::milliseconds kKeyInterval{2000};

    explicit ShowKeyHandler(Clock::time_point now = Clock::now());

    // key is a virtual-key code. advanceKeypress: an ordinary key steps forward
    // (otherwise it redraws the current slide).
    KeyResult FormKeyDown(int key, bool advanceKeypress, Clock::time_point now);
    // Any release re-arms: the next press is accepted whenever it comes.
    void FormKeyUp(Clock::time_point now);

    // The part of the quit sequence typed so far: "", "q", "qu" or "qui".
    const std::string& quit_letters() const { return quit_letters_; }
    void resetQuitLetters() { quit_letters_.clear(); }

private:
    // Long enough before any real key that the next press always passes.
    static Clock::time_point LongAgo(Clock::time_point now) { return now - std::chrono::hours(24); }

    bool UpdateQuitLetters(int key);

    std::string quit_letters_;
    Clock::time_point last_key_time_;
};
