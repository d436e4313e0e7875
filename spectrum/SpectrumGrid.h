// The blank spectrum picture: black, with the frequency and level grid and its labels.
#pragma once

#include <QImage>

// Paints the grid over the whole of a picture of kPictureWidth x kPictureHeight pixels, whatever
// was drawn there before.
void DrawSpectrumGrid(QImage& picture);
