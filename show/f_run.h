#pragma once

#include <QWidget>

class treclist;

// The full-screen show window.
class TForm_run : public QWidget {
    Q_OBJECT
public:
    explicit TForm_run(QWidget* parent = nullptr);
    ~TForm_run() override;

    // Runs one show over the list; returns when it has ended.
    void RunShow(treclist& list);
};
