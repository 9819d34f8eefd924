#include "shell/Icon.h"

#include "framework/Exception.h"
#include "shell/IconFile.h"

#include <QFile>
#include <QPixmap>

TIcon::TIcon(QObject* Parent) : QObject(Parent) {}

void TIcon::Assign(const QObject* Source)
{
    if (!Source) {
        if (Empty())
            return;
        FImage = QImage();
        FData.clear();
        Changed();
        return;
    }
    auto* icon = qobject_cast<const TIcon*>(Source);
    if (!icon)
        throw EConvertError(QStringLiteral("Cannot assign a %1 to a %2")
                                .arg(QLatin1String(Source->metaObject()->className()),
                                     QLatin1String(metaObject()->className())));
    if (icon == this)
        return;
    FImage = icon->FImage;
    FData = icon->FData;
    Changed();
}

void TIcon::SetImage(const QImage& Image)
{
    // Encode first, so a failure keeps the old image.
    QByteArray data = Image.isNull() ? QByteArray() : WriteIconFile(Image);
    FImage = Image.isNull() ? QImage() : Image.convertToFormat(QImage::Format_ARGB32);
    FData = std::move(data);
    Changed();
}

QIcon TIcon::Handle() const
{
    if (Empty())
        return QIcon();
    return QIcon(QPixmap::fromImage(FImage));
}

void TIcon::LoadFromData(const QByteArray& Data)
{
    QImage image = ReadIconFile(Data);
    FImage = std::move(image);
    FData = Data;
    Changed();
}

void TIcon::LoadFromFile(const QString& FileName)
{
    QFile file(FileName);
    if (!file.open(QIODevice::ReadOnly))
        throw EIconError(
            QStringLiteral("Cannot open icon file \"%1\": %2").arg(FileName, file.errorString()));
    LoadFromData(file.readAll());
}

void TIcon::Changed()
{
    Fire(OnChange, this);
}
