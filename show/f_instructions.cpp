#include "f_instructions.h"

TForm_instructions::TForm_instructions(QWidget* parent)
    : QDialog(parent, Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("Form_instructions"));
}
