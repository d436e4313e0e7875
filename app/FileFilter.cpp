#include "app/FileFilter.h"

#include <QStringList>

QString ToQtFileFilter(const QString& filter) {
    const QStringList parts = filter.split(u'|');
    QStringList qtFilters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString& text = parts[i];
        const QString& pattern = parts[i + 1];
        if (text.isEmpty()) break;
        QString patterns = pattern;
        patterns.replace(u';', u' ');
        qtFilters << QStringLiteral("%1 (%2)").arg(text, patterns.simplified());
    }
    return qtFilters.join(QStringLiteral(";;"));
}
