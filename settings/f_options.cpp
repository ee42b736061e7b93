#include "f_options.h"

#include <QApplication>

TForm_options::TForm_options(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("Form_options"));
    setWindowTitle(QStringLiteral("Options"));
    options_.le_folder = FirstRunDataFolder(QApplication::applicationDirPath());
}
