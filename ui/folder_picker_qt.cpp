#include "ui/folder_picker.h"

#include <QFileDialog>

namespace {

class QtFolderPicker final : public FolderPicker {
public:
    QString BrowseForFolder(QWidget* owner, const QString& title, const QString& initial) override
    {
        return QFileDialog::getExistingDirectory(owner, title, initial, QFileDialog::ShowDirsOnly);
    }
};

} // namespace

std::unique_ptr<FolderPicker> CreateQtFolderPicker()
{
    return std::make_unique<QtFolderPicker>();
}
