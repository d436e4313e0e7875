#include "spectrum/ArialFamily.h"

#include <QFontDatabase>
#include <QStringList>

namespace {

// Arial, then the families made to Arial's metrics, in the order fontconfig's own aliases
// offer them for Arial.
constexpr const char* kFamilies[] = {"Arial", "Arimo", "Liberation Sans", "Albany", "Albany AMT"};

QString InstalledArial() {
    const QStringList installed = QFontDatabase::families();
    for (const char* family : kFamilies) {
        const QString name = QString::fromLatin1(family);
        if (installed.contains(name, Qt::CaseInsensitive)) return name;
    }
    // None of them: Qt's own search picks the nearest family, as it did for Arial.
    return QString::fromLatin1(kFamilies[0]);
}

}  // namespace

QString ArialFamily() {
    // The installed families do not change while the program runs.
    static const QString family = InstalledArial();
    return family;
}
