#pragma once
#include "framework/Events.h"

#include <QByteArray>
#include <QIcon>
#include <QImage>
#include <QObject>

// An icon: one image, kept together with the icon-file bytes it was read from so that it writes
// itself back unchanged. Owned by the component that holds it; assignment copies.
class TIcon : public QObject {
    Q_OBJECT
public:
    explicit TIcon(QObject* Parent = nullptr);

    // Copies another icon (nullptr empties this one); anything else raises EConvertError.
    void Assign(const QObject* Source);

    // True while the icon has no image.
    bool Empty() const { return FImage.isNull(); }
    const QImage& Image() const { return FImage; }
    int Width() const { return FImage.width(); }
    int Height() const { return FImage.height(); }
    // Replaces the image (an empty image empties the icon).
    void SetImage(const QImage& Image);
    // The image as a Qt icon for the notification area (null while empty).
    QIcon Handle() const;

    // Reads an icon file; throws EIconError and keeps the old image on bad data.
    void LoadFromData(const QByteArray& Data);
    // Reads an icon file by path (also ":/..." resources); throws EIconError.
    void LoadFromFile(const QString& FileName);
    // The icon file: exactly the bytes read, or the image written afresh; empty while empty.
    QByteArray SaveToData() const { return FData; }

    // Reports every change of the image.
    TNotifyEvent OnChange;

private:
    void Changed();

    QImage FImage;
    QByteArray FData;
};
