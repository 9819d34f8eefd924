#include "shell/StatusIcons.h"

#include "shell/Icon.h"
#include "shell/IconFile.h"
#include "shell/IconList.h"

#include <QBuffer>
#include <QFile>

namespace {

bool InDisc(int X, int Y, int Size)
{
    // Pixel centres within a circle of radius Size / 2 around the square's centre: the disc
    // touches all four edges.
    const double dx = X + 0.5 - Size / 2.0;
    const double dy = Y + 0.5 - Size / 2.0;
    const double r = Size / 2.0;
    return dx * dx + dy * dy <= r * r;
}

bool OnOutline(int X, int Y, int Size)
{
    auto outside = [Size](int x, int y) {
        return x < 0 || y < 0 || x >= Size || y >= Size || !InDisc(x, y, Size);
    };
    return InDisc(X, Y, Size) &&
           (outside(X - 1, Y) || outside(X + 1, Y) || outside(X, Y - 1) || outside(X, Y + 1));
}

} // namespace

TColor StatusIconColor(int Status)
{
    static constexpr TColor colors[StatusIconCount] = {clMaroon, clRed, clYellow, clLime};
    return Status >= 0 && Status < StatusIconCount ? colors[Status] : clMaroon;
}

QImage StatusIconImage(TColor Fill, int Size, QRgb Corner)
{
    QImage image(Size, Size, QImage::Format_ARGB32);
    const QRgb fill = ToQColor(Fill).rgb();
    for (int y = 0; y < Size; ++y)
        for (int x = 0; x < Size; ++x)
            image.setPixel(x, y,
                           OnOutline(x, y, Size) ? qRgb(0, 0, 0)
                           : InDisc(x, y, Size)  ? fill
                                                 : Corner);
    return image;
}

QByteArray BuildStatusIconData()
{
    TIconList list;
    TIcon icon;
    for (int status = 0; status < StatusIconCount; ++status) {
        icon.SetImage(StatusIconImage(StatusIconColor(status)));
        list.Add(&icon);
    }
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    list.SaveToStream(buffer);
    return buffer.data();
}

void LoadStatusIcons(TIconList& List)
{
    QFile file(QString::fromLatin1(StatusIconResource));
    if (!file.open(QIODevice::ReadOnly))
        throw EIconError(QStringLiteral("Status icons not found (%1)").arg(file.fileName()));
    List.LoadFromStream(file);
}
