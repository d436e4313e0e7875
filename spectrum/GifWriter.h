// GIF encoding of a picture (Qt reads GIF but cannot write it).
#pragma once

#include <QIODevice>
#include <QImage>

// Writes `picture` as a single-image GIF. Its own colours make the palette when there are at
// most 256 of them, as in a drawn spectrum; a picture with more is dithered to a fixed palette.
// False when the picture is empty or the device refuses the bytes.
bool WriteGif(const QImage& picture, QIODevice& device);
