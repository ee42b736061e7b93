#pragma once

#include <QString>
#include <memory>

class QWidget;

// The folder picker: lets the user choose a folder.
class FolderPicker {
public:
    virtual ~FolderPicker() = default;
    // Opens on `initial` (nothing preselected when empty); the result is the
    // chosen folder, empty when cancelled.
    virtual QString BrowseForFolder(QWidget* owner, const QString& title, const QString& initial) = 0;
};

std::unique_ptr<FolderPicker> CreateQtFolderPicker();
