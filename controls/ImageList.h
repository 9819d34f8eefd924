#pragma once
// A small list of equally sized pictures, each with a mask of the pixels it covers, that can
// draw a picture normally or embossed (the grey silhouette of a disabled control). Controls that
// show its pictures subscribe to Changed.
#include "framework/Colors.h"

#include <QBitmap>
#include <QImage>
#include <QList>
#include <QObject>

class QPainter;

class TImageList : public QObject {
    Q_OBJECT
public:
    TImageList(int width, int height, QObject* parent = nullptr);

    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    int Count() const { return int(FImages.size()); }

    // Adds a picture whose pixels of the transparent colour are left out; the picture is scaled
    // to the list's size. Returns its index.
    int AddMasked(const QImage& image, TColor transparent);
    // Adds a picture with its own mask (set bits are drawn).
    int Add(const QImage& image, const QImage& mask);
    void Replace(int index, const QImage& image, const QImage& mask);
    void Delete(int index);
    void Clear();

    // The picture (opaque, the masked-out pixels in their original colour) or a null image.
    QImage Image(int index) const;
    // The mask: true where the picture covers the pixel; a null image for a bad index.
    QImage Mask(int index) const;

    // Draws picture index at (x, y); a bad index draws nothing.
    void Draw(QPainter& p, int x, int y, int index) const;
    // Draws the mask as a silhouette: in clBtnHighlight one pixel right of and below (x, y),
    // then in clBtnShadow at (x, y); other pixels stay untouched.
    void DrawEmbossed(QPainter& p, int x, int y, int index) const;

signals:
    void Changed();

private:
    QImage Fit(const QImage& image) const;
    void Silhouette(QPainter& p, int x, int y, int index, TColor color) const;

    int FWidth, FHeight;
    QList<QImage> FImages;
    QList<QImage> FMasks; // Format_Mono, 1 = drawn
};
