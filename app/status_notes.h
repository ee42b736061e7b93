#pragma once

#include <QLabel>
#include <string>

class QStatusBar;

// What the user should learn without an error box, in the main window's
// status bar: that the last show was not locked, that sounds cannot be
// played, and how many pictures and sounds
// the last rebuild of the slide list had to leave out. A label of its own,
// so that the status tips of the menus do not wipe it out.
class TStatusNotes : public QLabel {
public:
    explicit TStatusNotes(QStatusBar* bar);

    // From the sound players at each Open: why the audio device cannot be
    // had, or an empty text when it can.
    void SoundProblem(const std::string& problem);
    // After each rebuild of the slide list.
    void SlidesTooDeep(int count);
    // After each rebuild of the slide list: how many pictures and sounds of
    // the kinds that the more-kinds setting takes were left out.
    void MoreKindsLeftOut(int count);
    // After each show: why its keyboard was not locked although the lock
    // was asked for, or an empty text when it was locked.
    void UnlockedShow(const std::string& problem);

private:
    void refresh();

    QString sound_;
    QString scan_;
    QString kinds_;
    QString lock_;
};
