#pragma once
#include "framework/Exception.h"

#include <QByteArray>
#include <QImage>

// An icon file (.ico) that cannot be read or written.
class EIconError : public Exception {
public:
    using Exception::Exception;
};

// Reads the first image of an icon file: uncompressed bitmaps of 1, 4, 8, 24 or 32 bits per
// pixel with their AND mask, or an embedded PNG. The result is ARGB32; pixels set in the AND
// mask are transparent. Throws EIconError on corrupt or truncated data.
QImage ReadIconFile(const QByteArray& Data);

// Writes one image as an icon file. An opaque image whose colours all lie in the standard
// 16-colour palette is written with 4 bits per pixel (a 32 x 32 one takes 766 bytes); any other
// with 32 bits per pixel. Throws EIconError for an empty or over-large (> 256) image.
QByteArray WriteIconFile(const QImage& Image);

// The standard 16-colour palette of icon files, as Qt colours.
const QList<QRgb>& StandardPalette16();
