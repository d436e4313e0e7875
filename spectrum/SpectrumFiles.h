// Spectrum files: the stored sweeps as CSV text or the picture as an image, written by the
// extension of the name; a saved PNG read back as the picture.
#pragma once

#include <QString>

#include "spectrum/FileDialogSpec.h"

class SpectrumStore;

inline const FileDialogSpec kSaveSpectrumDialog{
    true, QStringLiteral("csv"), QStringLiteral("Spectrum"),
    QStringLiteral("Text CSV (*.csv)|*.csv|PNG Image (*.png)|*.png|BMP Image (*.BMP)|*.bmp|"
                   "GIF Image (*.gif)|*.gif|JPEG Image (*.jpg)|*.jpg|All Files (*.*)|*.*||")};
inline const FileDialogSpec kLoadSpectrumDialog{false, QStringLiteral("png"), QString(),
                                                QStringLiteral("PNG Image (*.png)|*.png|")};

// The extensions "png", "jpg", "gif" and "bmp", exactly in that case, write the picture in that
// format; any other name gets the CSV text of the sweeps. Failures leave no message (and no
// half-written file); the store is not changed.
void SaveSpectrumFile(const SpectrumStore& store, const QString& path);

// A name with the extension "png" (in that case) replaces the picture with the file, when it is
// a picture of exactly 640 x 290; any other file leaves a fresh grid, so the previous picture is
// gone either way. Any other extension changes nothing.
void LoadSpectrumFile(SpectrumStore& store, const QString& path);
