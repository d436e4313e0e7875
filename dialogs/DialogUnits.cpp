#include "dialogs/DialogUnits.h"

#include <QFontMetrics>
#include <QGuiApplication>

namespace {

// The average width is measured over both alphabets and rounded, as the dialog manager the
// resources were designed for measures it.
int AverageCharWidth(const QFontMetrics& metrics) {
    static const QString kAlphabet =
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    return (metrics.horizontalAdvance(kAlphabet) / 26 + 1) / 2;
}

// units * base / divisor, rounded half away from zero.
int Scale(int units, int base, int divisor) {
    const long long product = static_cast<long long>(units) * base;
    const long long half = divisor / 2;
    return static_cast<int>(product >= 0 ? (product + half) / divisor : (product - half) / divisor);
}

}  // namespace

DialogUnits::DialogUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    m_baseWidth = AverageCharWidth(metrics);
    m_baseHeight = metrics.height();
}

int DialogUnits::X(int units) const {
    return Scale(units, m_baseWidth, 4);
}

int DialogUnits::Y(int units) const {
    return Scale(units, m_baseHeight, 8);
}

QRect DialogUnits::Rect(int x, int y, int width, int height) const {
    return QRect(X(x), Y(y), X(width), Y(height));
}

QSize DialogUnits::Size(int width, int height) const {
    return QSize(X(width), Y(height));
}

QFont ShellDialogFont() {
    QFont font = QGuiApplication::font();
    font.setPointSize(8);
    return font;
}

QFont CamMenuFont() {
    QFont font;
    font.setFamilies({QStringLiteral("Tahoma"), QStringLiteral("DejaVu Sans"),
                      QStringLiteral("Liberation Sans")});
    font.setPointSize(10);
    return font;
}
