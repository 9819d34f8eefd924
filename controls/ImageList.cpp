#include "controls/ImageList.h"

#include <QPainter>

TImageList::TImageList(int width, int height, QObject* parent)
    : QObject(parent), FWidth(width), FHeight(height)
{
}

QImage TImageList::Fit(const QImage& image) const
{
    QImage img = image.convertToFormat(QImage::Format_RGB32);
    if (img.size() != QSize(FWidth, FHeight))
        img = img.scaled(FWidth, FHeight, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    return img;
}

int TImageList::AddMasked(const QImage& image, TColor transparent)
{
    const QImage img = Fit(image);
    const QRgb key = ToQColor(transparent).rgb();
    QImage mask(img.size(), QImage::Format_Mono);
    mask.fill(0);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            mask.setPixel(x, y, (img.pixel(x, y) & 0xFFFFFF) != (key & 0xFFFFFF) ? 1 : 0);
    FImages.append(img);
    FMasks.append(mask);
    emit Changed();
    return Count() - 1;
}

int TImageList::Add(const QImage& image, const QImage& mask)
{
    FImages.append(Fit(image));
    FMasks.append(mask.convertToFormat(QImage::Format_Mono).scaled(FWidth, FHeight));
    emit Changed();
    return Count() - 1;
}

void TImageList::Replace(int index, const QImage& image, const QImage& mask)
{
    if (index < 0 || index >= Count())
        return;
    FImages[index] = Fit(image);
    FMasks[index] = mask.convertToFormat(QImage::Format_Mono).scaled(FWidth, FHeight);
    emit Changed();
}

void TImageList::Delete(int index)
{
    if (index < 0 || index >= Count())
        return;
    FImages.removeAt(index);
    FMasks.removeAt(index);
    emit Changed();
}

void TImageList::Clear()
{
    FImages.clear();
    FMasks.clear();
    emit Changed();
}

QImage TImageList::Image(int index) const
{
    return index >= 0 && index < Count() ? FImages[index] : QImage();
}

QImage TImageList::Mask(int index) const
{
    return index >= 0 && index < Count() ? FMasks[index] : QImage();
}

void TImageList::Draw(QPainter& p, int x, int y, int index) const
{
    if (index < 0 || index >= Count())
        return;
    const QImage& img = FImages[index];
    const QImage& mask = FMasks[index];
    for (int row = 0; row < img.height(); ++row)
        for (int col = 0; col < img.width(); ++col)
            if (mask.pixelIndex(col, row))
                p.fillRect(x + col, y + row, 1, 1, QColor::fromRgb(img.pixel(col, row)));
}

void TImageList::Silhouette(QPainter& p, int x, int y, int index, TColor color) const
{
    const QImage& mask = FMasks[index];
    const QColor c = ToQColor(color);
    for (int row = 0; row < mask.height(); ++row)
        for (int col = 0; col < mask.width(); ++col)
            if (mask.pixelIndex(col, row))
                p.fillRect(x + col, y + row, 1, 1, c);
}

void TImageList::DrawEmbossed(QPainter& p, int x, int y, int index) const
{
    if (index < 0 || index >= Count())
        return;
    Silhouette(p, x + 1, y + 1, index, clBtnHighlight);
    Silhouette(p, x, y, index, clBtnShadow);
}
