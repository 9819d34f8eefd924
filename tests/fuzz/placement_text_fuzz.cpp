// Any placement text: its words hold no delimiter, numbers written by "%d,%d,%d,%d" come back as
// written, and the rectangle the words give stays within Qt's widget limits.
#include "shell/PlacementText.h"

#include <QWidget>
#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const QStringList words = PlacementText::Words(text);
    for (const QString& w : words)
        if (w.isEmpty() || w.contains(QLatin1Char(' ')) || w.contains(QLatin1Char(',')))
            std::abort();
    int n[4];
    for (int i = 0; i < 4; ++i)
        n[i] = PlacementText::WordInt(words, i, i);
    const QString written = QStringLiteral("%1,%2,%3,%4").arg(n[0]).arg(n[1]).arg(n[2]).arg(n[3]);
    const QStringList again = PlacementText::Words(written);
    for (int i = 0; i < 4; ++i)
        if (PlacementText::WordInt(again, i, -1) != n[i])
            std::abort();

    std::optional<QSize> fixed;
    if (size >= 8) {
        int w, h;
        std::memcpy(&w, data + size - 8, 4);
        std::memcpy(&h, data + size - 4, 4);
        fixed = QSize(w, h);
    }
    for (const std::optional<QSize>& f : {std::optional<QSize>(), fixed}) {
        const std::optional<QRect> r = PlacementText::StoredRect(n[0], n[1], n[2], n[3], f);
        if (!r)
            continue;
        const qint64 limit = QWIDGETSIZE_MAX;
        if (r->width() <= 0 || r->width() > limit || r->height() < 0 || r->height() > limit ||
            qAbs(qint64(r->left())) > limit || qAbs(qint64(r->top())) > limit)
            std::abort();
    }
    return 0;
}
