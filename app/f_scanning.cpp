#include "app/f_scanning.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TForm_scanning::TForm_scanning(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("Form_scanning"));
    setWindowTitle(QApplication::applicationName());
    setModal(false);

    auto* heading = new QLabel(tr("Looking for pictures and sounds in:"));
    l_folder = new QLabel;
    l_folder->setObjectName(QStringLiteral("l_folder"));
    l_folder->setTextFormat(Qt::PlainText);
    l_folder->setWordWrap(true);
    l_folder->setMinimumWidth(fontMetrics().averageCharWidth() * 48);
    l_folders = new QLabel;
    l_folders->setObjectName(QStringLiteral("l_folders"));
    l_files = new QLabel;
    l_files->setObjectName(QStringLiteral("l_files"));
    l_run = new QLabel(tr("The show starts as soon as the search is over."));
    l_run->setObjectName(QStringLiteral("l_run"));
    l_run->hide();

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel);
    Button_cancel = buttons->button(QDialogButtonBox::Cancel);
    Button_cancel->setObjectName(QStringLiteral("Button_cancel"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading);
    layout->addWidget(l_folder);
    layout->addWidget(l_folders);
    layout->addWidget(l_files);
    layout->addWidget(l_run);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    setCounts(0, 0);
}

void TForm_scanning::setFolder(const QString& folder)
{
    l_folder->setText(folder);
}

void TForm_scanning::setCounts(int folders, int files)
{
    l_folders->setText(tr("Folders: %1").arg(folders));
    l_files->setText(tr("Files: %1").arg(files));
}

void TForm_scanning::setRunWaiting(bool waiting)
{
    l_run->setVisible(waiting);
}
