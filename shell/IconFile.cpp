#include "shell/IconFile.h"

#include <QtEndian>

namespace {

constexpr int DirSize = 6;
constexpr int EntrySize = 16;
constexpr int InfoSize = 40;
constexpr int MaxSide = 256;

// Little-endian reading with bounds checks: every read past the end raises EIconError.
class TReader {
public:
    TReader(const QByteArray& Data, qsizetype Begin, qsizetype End)
        : FData(Data), FPos(Begin), FEnd(End)
    {
    }
    void Need(qsizetype N) const
    {
        if (N < 0 || FEnd - FPos < N)
            throw EIconError(QStringLiteral("Icon data is truncated"));
    }
    quint8 U8()
    {
        Need(1);
        return quint8(FData[FPos++]);
    }
    quint16 U16()
    {
        Need(2);
        auto v = qFromLittleEndian<quint16>(FData.constData() + FPos);
        FPos += 2;
        return v;
    }
    quint32 U32()
    {
        Need(4);
        auto v = qFromLittleEndian<quint32>(FData.constData() + FPos);
        FPos += 4;
        return v;
    }
    qint32 I32() { return qint32(U32()); }
    const uchar* Take(qsizetype N)
    {
        Need(N);
        auto p = reinterpret_cast<const uchar*>(FData.constData() + FPos);
        FPos += N;
        return p;
    }
    qsizetype Left() const { return FEnd - FPos; }

private:
    const QByteArray& FData;
    qsizetype FPos;
    qsizetype FEnd;
};

void Put16(QByteArray& b, quint16 v)
{
    char c[2];
    qToLittleEndian(v, c);
    b.append(c, 2);
}
void Put32(QByteArray& b, quint32 v)
{
    char c[4];
    qToLittleEndian(v, c);
    b.append(c, 4);
}

int Stride(int Width, int Bits)
{
    return ((Width * Bits + 31) / 32) * 4;
}

bool IsPng(const QByteArray& Data, qsizetype Offset)
{
    static const QByteArray Signature("\x89PNG\r\n\x1a\n", 8);
    return Data.mid(Offset, 8) == Signature;
}

QImage ReadBitmap(TReader& R)
{
    const quint32 headerSize = R.U32();
    const qint32 width = R.I32();
    const qint32 doubleHeight = R.I32();
    R.U16(); // planes
    const int bits = R.U16();
    const quint32 compression = R.U32();
    R.U32(); // image size
    R.I32(); // pixels per metre
    R.I32();
    quint32 colorsUsed = R.U32();
    R.U32(); // important colours
    if (headerSize < InfoSize || headerSize > 1024)
        throw EIconError(QStringLiteral("Icon image header is not valid"));
    R.Take(headerSize - InfoSize);
    const int height = doubleHeight / 2;
    if (width < 1 || width > MaxSide || height < 1 || height > MaxSide)
        throw EIconError(
            QStringLiteral("Icon image size %1 x %2 is not valid").arg(width).arg(height));
    if (compression != 0)
        throw EIconError(QStringLiteral("Compressed icon images are not supported"));
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32)
        throw EIconError(
            QStringLiteral("Icon images of %1 bits per pixel are not supported").arg(bits));

    QList<QRgb> palette;
    if (bits <= 8) {
        const quint32 maxColors = 1u << bits;
        if (colorsUsed == 0 || colorsUsed > maxColors)
            colorsUsed = maxColors;
        for (quint32 i = 0; i < colorsUsed; ++i) {
            const uchar* q = R.Take(4);
            palette.append(qRgb(q[2], q[1], q[0]));
        }
    }
    const int xorStride = Stride(width, bits);
    const int andStride = Stride(width, 1);
    const uchar* xorBits = R.Take(qsizetype(xorStride) * height);
    // 32-bit images carry their own alpha; some writers leave their mask out.
    const uchar* andBits = nullptr;
    if (bits != 32 || R.Left() >= qsizetype(andStride) * height)
        andBits = R.Take(qsizetype(andStride) * height);

    bool anyAlpha = false;
    if (bits == 32)
        for (int i = 0; i < xorStride * height && !anyAlpha; i += 4)
            anyAlpha = xorBits[i + 3] != 0;

    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y) {
        const uchar* row = xorBits + qsizetype(height - 1 - y) * xorStride;
        const uchar* mask = andBits ? andBits + qsizetype(height - 1 - y) * andStride : nullptr;
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            QRgb c = 0;
            if (bits <= 8) {
                const int perByte = 8 / bits;
                const int shift = 8 - bits * (x % perByte + 1);
                const int index = (row[x / perByte] >> shift) & ((1 << bits) - 1);
                if (index >= palette.size())
                    throw EIconError(QStringLiteral("Icon colour index is out of the palette"));
                c = palette[index];
            } else if (bits == 24) {
                c = qRgb(row[x * 3 + 2], row[x * 3 + 1], row[x * 3]);
            } else {
                const uchar* p = row + x * 4;
                c = qRgba(p[2], p[1], p[0], anyAlpha ? p[3] : 255);
            }
            if (mask && (mask[x / 8] >> (7 - x % 8)) & 1)
                c = bits == 32 && anyAlpha ? c : 0;
            out[x] = c;
        }
    }
    return image;
}

} // namespace

const QList<QRgb>& StandardPalette16()
{
    static const QList<QRgb> palette = {
        qRgb(0, 0, 0),       qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),
        qRgb(0, 0, 128),     qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(192, 192, 192),
        qRgb(128, 128, 128), qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
        qRgb(0, 0, 255),     qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255),
    };
    return palette;
}

QImage ReadIconFile(const QByteArray& Data)
{
    TReader dir(Data, 0, Data.size());
    const quint16 reserved = dir.U16();
    const quint16 type = dir.U16();
    const quint16 count = dir.U16();
    if (reserved != 0 || type != 1 || count == 0)
        throw EIconError(QStringLiteral("Data is not an icon file"));
    dir.U8(); // width and height as the directory says: the image header decides
    dir.U8();
    dir.U8();
    dir.U8();
    dir.U16();
    dir.U16();
    const quint32 bytes = dir.U32();
    const quint32 offset = dir.U32();
    if (offset > quint32(Data.size()) || bytes > quint32(Data.size()) - offset || bytes == 0)
        throw EIconError(QStringLiteral("Icon data is truncated"));
    if (IsPng(Data, offset)) {
        QImage image;
        if (!image.loadFromData(Data.mid(offset, bytes), "PNG"))
            throw EIconError(QStringLiteral("Icon PNG image is not valid"));
        return image.convertToFormat(QImage::Format_ARGB32);
    }
    TReader bitmap(Data, offset, qsizetype(offset) + bytes);
    return ReadBitmap(bitmap);
}

QByteArray WriteIconFile(const QImage& Source)
{
    if (Source.isNull())
        throw EIconError(QStringLiteral("An empty image cannot be written as an icon"));
    if (Source.width() > MaxSide || Source.height() > MaxSide)
        throw EIconError(QStringLiteral("Icon images are at most 256 x 256 pixels"));
    const QImage image = Source.convertToFormat(QImage::Format_ARGB32);
    const int width = image.width();
    const int height = image.height();
    const QList<QRgb>& palette = StandardPalette16();

    bool paletted = true;
    for (int y = 0; y < height && paletted; ++y) {
        auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < width && paletted; ++x)
            paletted = qAlpha(row[x]) == 255 && palette.contains(row[x] | 0xFF000000u);
    }
    const int bits = paletted ? 4 : 32;
    const int xorStride = Stride(width, bits);
    const int andStride = Stride(width, 1);
    QByteArray xorBits(qsizetype(xorStride) * height, '\0');
    QByteArray andBits(qsizetype(andStride) * height, '\0');
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        char* out = xorBits.data() + qsizetype(height - 1 - y) * xorStride;
        char* mask = andBits.data() + qsizetype(height - 1 - y) * andStride;
        for (int x = 0; x < width; ++x) {
            const QRgb c = row[x];
            if (paletted) {
                const int index = int(palette.indexOf(c));
                out[x / 2] = char(out[x / 2] | (x % 2 ? index : index << 4));
            } else {
                out[x * 4] = char(qBlue(c));
                out[x * 4 + 1] = char(qGreen(c));
                out[x * 4 + 2] = char(qRed(c));
                out[x * 4 + 3] = char(qAlpha(c));
                if (qAlpha(c) == 0)
                    mask[x / 8] = char(mask[x / 8] | (0x80 >> (x % 8)));
            }
        }
    }
    const quint32 imageBytes = InfoSize + (paletted ? 16 * 4 : 0) + xorBits.size() + andBits.size();

    QByteArray b;
    b.reserve(DirSize + EntrySize + imageBytes);
    Put16(b, 0);
    Put16(b, 1);
    Put16(b, 1);
    b.append(char(width == 256 ? 0 : width));
    b.append(char(height == 256 ? 0 : height));
    b.append(char(paletted ? 16 : 0));
    b.append('\0');
    Put16(b, 1);
    Put16(b, quint16(bits));
    Put32(b, imageBytes);
    Put32(b, DirSize + EntrySize);

    Put32(b, InfoSize);
    Put32(b, quint32(width));
    Put32(b, quint32(height * 2));
    Put16(b, 1);
    Put16(b, quint16(bits));
    Put32(b, 0);
    Put32(b, quint32(xorBits.size() + andBits.size()));
    Put32(b, 0);
    Put32(b, 0);
    Put32(b, 0);
    Put32(b, 0);
    if (paletted)
        for (QRgb c : palette) {
            b.append(char(qBlue(c)));
            b.append(char(qGreen(c)));
            b.append(char(qRed(c)));
            b.append('\0');
        }
    b.append(xorBits);
    b.append(andBits);
    return b;
}
