// Dialog units: the dialogs are laid out in the units of their designed resources, which scale
// with the dialog font. A horizontal unit is a quarter of the font's average character width, a
// vertical unit an eighth of its character height, so each dialog keeps its proportions whatever
// font the desktop supplies.
#pragma once

#include <QFont>
#include <QRect>
#include <QSize>

class DialogUnits {
public:
    explicit DialogUnits(const QFont& font);

    // The font's average character width and height in pixels (the base units).
    int BaseWidth() const { return m_baseWidth; }
    int BaseHeight() const { return m_baseHeight; }

    int X(int units) const;
    int Y(int units) const;
    QRect Rect(int x, int y, int width, int height) const;
    QSize Size(int width, int height) const;

private:
    int m_baseWidth;
    int m_baseHeight;
};

// The fonts the dialog resources name. "MS Shell Dlg" 8 point stands for the desktop's own dialog
// font; the CAM menu asks for Tahoma 10 point and takes a similar sans face where Tahoma is absent.
QFont ShellDialogFont();
QFont CamMenuFont();
