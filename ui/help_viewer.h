#pragma once

#include <QString>
#include <memory>

// The help service: shows topics of the program's help file in help windows
// that belong to no other window.
class HelpViewer {
public:
    virtual ~HelpViewer() = default;
    // Opens the help file's default topic.
    virtual void DisplayTopic(const QString& helpFile) = 0;
    // Opens the topic that the help file's context map gives for the number.
    virtual void HelpContext(const QString& helpFile, int context) = 0;
    // Closes every help window opened so far.
    virtual void CloseAll() = 0;
    // Number of help windows open, for tests.
    virtual int openWindows() const = 0;
};

// Does nothing; for tests and when no help engine can be had.
class NullHelpViewer final : public HelpViewer {
public:
    void DisplayTopic(const QString&) override {}
    void HelpContext(const QString&, int) override {}
    void CloseAll() override {}
    int openWindows() const override { return 0; }
};

// Help through Qt Help: the file is a compressed help file (.qch). The engine
// is opened on the first request; when the file or the engine cannot be
// opened, requests do nothing and report nothing.
std::unique_ptr<HelpViewer> CreateQtHelpViewer();
