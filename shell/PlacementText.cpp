#include "shell/PlacementText.h"

#include <QWidget>
#include <algorithm>

namespace PlacementText {

QStringList Words(const QString& text)
{
    QStringList words;
    QString w;
    for (QChar c : text) {
        if (c == QLatin1Char(' ') || c == QLatin1Char(',')) {
            if (!w.isEmpty())
                words << w;
            w.clear();
        } else {
            w += c;
        }
    }
    if (!w.isEmpty())
        words << w;
    return words;
}

int WordInt(const QStringList& words, int index, int def)
{
    if (index < 0 || index >= words.size())
        return def;
    bool ok = false;
    const int v = words[index].toInt(&ok, 10);
    return ok ? v : def;
}

std::optional<QRect> StoredRect(int left, int top, int right, int bottom,
                                std::optional<QSize> fixedSize)
{
    // 64 bits: right - left of "-2147483648,0,2147483647,100" does not fit 32.
    qint64 width = qint64(right) - left, height = qint64(bottom) - top;
    if (fixedSize) {
        width = fixedSize->width();
        height = fixedSize->height();
    }
    if (width <= 0)
        return std::nullopt;
    // No window is larger than Qt's limit, and one that far out is moved onto a screen anyway;
    // within these bounds the rectangle's right and bottom edges stay in 32 bits.
    constexpr qint64 limit = QWIDGETSIZE_MAX;
    return QRect(int(std::clamp<qint64>(left, -limit, limit)),
                 int(std::clamp<qint64>(top, -limit, limit)), int(std::min(width, limit)),
                 int(std::clamp<qint64>(height, 0, limit)));
}

} // namespace PlacementText
