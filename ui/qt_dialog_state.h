#pragma once

namespace platform {

// Qt's own dialogs keep state of their own between runs: the file dialog its
// history, last folder and column layout, the colour dialog its custom
// colours, all in a "QtProject" settings file in the user's configuration
// folder; a desktop's native dialogs keep theirs in the desktop's settings
// store. This program writes nothing but its own settings file, so Qt's
// dialogs are used everywhere and their settings file is put where no file
// can ever be created. Call it before the first dialog opens.
void KeepDialogStateUnwritten();

} // namespace platform
