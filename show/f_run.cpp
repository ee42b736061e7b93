#include "f_run.h"

#include "treclist.h"

TForm_run::TForm_run(QWidget* parent)
    : QWidget(parent, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("Form_run"));
    setWindowTitle(QStringLiteral("Run"));
}

TForm_run::~TForm_run() = default;

void TForm_run::RunShow(treclist&)
{
}
