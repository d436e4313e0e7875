// The program's icon: a dish with its feed arm under a spectrum trace, 128 x 128 pixels.
//
// User-interface thread only (it makes a QPixmap).
#pragma once

#include <QIcon>

// Null when the embedded pixels are missing or not the icon's size.
QIcon AppIcon();
