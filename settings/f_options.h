#pragma once

#include "options.h"

#include <QDialog>

// The options dialog. It holds the settings record.
class TForm_options : public QDialog {
    Q_OBJECT
public:
    explicit TForm_options(QWidget* parent = nullptr);

    const Options& options() const { return options_; }

private:
    Options options_;
};
