// Any bytes, as the stream of an icon list and as an icon file: reading either fails with an
// icon error and changes nothing, or gives icons that are written and read back the same.
#include "shell/Icon.h"
#include "shell/IconFile.h"
#include "shell/IconList.h"

#include <QBuffer>
#include <cstdint>
#include <cstdlib>

namespace {

// What is written is read back as the same list.
void RoundTrip(const TIconList& list)
{
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    list.SaveToStream(out);
    QBuffer in(&out.buffer());
    in.open(QIODevice::ReadOnly);
    TIconList again;
    again.LoadFromStream(in);
    if (again.Count() != list.Count() || !in.atEnd())
        std::abort();
    for (int i = 0; i < list.Count(); ++i) {
        const TIcon* a = list.Icons(i);
        const TIcon* b = again.Icons(i);
        if (!a != !b || (a && a->Image() != b->Image()))
            std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));

    TIconList list;
    QBuffer stream;
    stream.setData(bytes);
    stream.open(QIODevice::ReadOnly);
    try {
        list.LoadFromStream(stream);
    } catch (const EIconError&) {
        if (list.Count() != 0)
            std::abort(); // bad data leaves the list as it was
    }
    RoundTrip(list);

    QImage image;
    try {
        image = ReadIconFile(bytes);
    } catch (const EIconError&) {
        return 0;
    }
    if (image.isNull() || image.format() != QImage::Format_ARGB32)
        std::abort();
    if (image.width() > 256 || image.height() > 256)
        return 0; // an embedded PNG may be larger than an icon can be written
    // Once written, an image is written and read back unchanged.
    const QImage once = ReadIconFile(WriteIconFile(image));
    if (once.size() != image.size() || ReadIconFile(WriteIconFile(once)) != once)
        std::abort();
    return 0;
}
