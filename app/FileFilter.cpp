#include "app/FileFilter.h"

#include <QFileDialog>
#include <QStringList>

QString ToQtFileFilter(const QString& filter) {
    const QStringList parts = filter.split(u'|');
    QStringList qtFilters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString& text = parts[i];
        const QString& pattern = parts[i + 1];
        if (text.isEmpty()) break;
        QStringList patterns = pattern.split(u';', Qt::SkipEmptyParts);
        for (QString& one : patterns) {
            one = one.trimmed();
            // "*.*" stands for every file, also a name without a dot; for Qt it needs a dot.
            if (one == QLatin1String("*.*")) one = QStringLiteral("*");
        }
        qtFilters << QStringLiteral("%1 (%2)").arg(text, patterns.join(u' '));
    }
    return qtFilters.join(QStringLiteral(";;"));
}

void SetFileFilter(QFileDialog& dialog, const QString& filter) {
    // The filter texts already name their patterns; showing Qt's copy of them would repeat it.
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setNameFilter(ToQtFileFilter(filter));
}
