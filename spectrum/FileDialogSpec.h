// What a file prompt asks: open or save, the extension added to a name typed without one, the
// name it proposes, and the choice of file types in the "Text|pattern|Text|pattern|...||" form
// (the patterns of one entry separated by ";"). Every prompt hides the read-only choice and asks
// before it overwrites a file.
#pragma once

#include <QString>

struct FileDialogSpec {
    bool save = false;
    QString defaultExtension;  // without the dot
    QString initialName;
    QString filter;
};
