#pragma once

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

#include "media/sound_output.h"

// Every failure of the sound player. Callers swallow it: a sound that cannot
// play just leaves its slide silent.
class EMCIDeviceError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The invisible sound player; the main window and the show window each own
// one, and neither disturbs the other. At most one sound is open at a time.
// A sound is streamed from its file while it plays, so Open and Play return at
// once however long it is. Every call comes from the GUI thread.
class TMediaPlayer {
public:
    // Plays through `output`, which outlives the player.
    explicit TMediaPlayer(SoundOutput& output);
    ~TMediaPlayer();
    TMediaPlayer(const TMediaPlayer&) = delete;
    TMediaPlayer& operator=(const TMediaPlayer&) = delete;

    // Sounds outside these sample rates are refused at Open.
    static constexpr int kLowestSampleRate = kLowestSoundRate;
    static constexpr int kHighestSampleRate = kHighestSoundRate;

    // The file the next Open opens, as the bytes of its on-disk path.
    std::string FileName;

    // Closes whatever is open, then opens FileName. Raises EMCIDeviceError
    // with the decoder's or the audio system's message when it cannot, and
    // for a sample rate outside the limits above.
    void Open();
    // Starts the open sound and returns at once. A failure to start is kept
    // in PlayError rather than raised.
    void Play();
    // Opens the file at path (its on-disk bytes) and plays it; a sound that
    // cannot be opened or started stays silent, without an error.
    // Returns whether it plays.
    bool PlayIfPossible(const std::string& path);
    // Closes whatever is open and plays the stream (none: stays silent), as
    // PlayIfPossible does a file.
    void PlayStreamIfPossible(std::unique_ptr<SoundStream> stream);
    // Stops and closes the open sound; the sound has stopped on return.
    void Close() noexcept;

    // Told at each Open whether the audio device could be had: the system's
    // reason when it could not, an empty text when it could. Every caller
    // swallows the player's errors, so this is where a missing device shows.
    std::function<void(const std::string& problem)> OnDeviceProblem;

    bool isOpen() const { return open_; }
    bool isPlaying() const;
    const std::string& PlayError() const { return playError_; }

private:
    SoundOutput& output_;
    bool open_ = false;
    std::unique_ptr<SoundStream> pending_; // opened, not yet handed to the output
    SoundVoiceId voice_ = 0;
    std::string playError_;
};
