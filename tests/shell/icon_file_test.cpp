#include "shell/IconFile.h"
#include "shell/StatusIcons.h"

#include <QtEndian>
#include <gtest/gtest.h>

namespace {

quint16 U16(const QByteArray& b, int at)
{
    return qFromLittleEndian<quint16>(b.constData() + at);
}
quint32 U32(const QByteArray& b, int at)
{
    return qFromLittleEndian<quint32>(b.constData() + at);
}
void Set16(QByteArray& b, int at, quint16 v)
{
    qToLittleEndian(v, b.data() + at);
}
void Set32(QByteArray& b, int at, quint32 v)
{
    qToLittleEndian(v, b.data() + at);
}

} // namespace

TEST(IconFile, SixteenColourIconHasTheClassicLayout)
{
    const QImage disc = StatusIconImage(clYellow);
    const QByteArray file = WriteIconFile(disc);
    ASSERT_EQ(file.size(), 766);
    EXPECT_EQ(U16(file, 0), 0);
    EXPECT_EQ(U16(file, 2), 1);
    EXPECT_EQ(U16(file, 4), 1);
    EXPECT_EQ(quint8(file[6]), 32);
    EXPECT_EQ(quint8(file[7]), 32);
    EXPECT_EQ(quint8(file[8]), 16);
    EXPECT_EQ(U16(file, 12), 4);   // bits per pixel
    EXPECT_EQ(U32(file, 14), 744); // image bytes
    EXPECT_EQ(U32(file, 18), 22);  // image offset
    EXPECT_EQ(U32(file, 22), 40);  // header size
    EXPECT_EQ(U32(file, 30), 64);  // height of image and mask
    // Palette entry 11 is yellow (blue, green, red, 0).
    EXPECT_EQ(U32(file, 22 + 40 + 11 * 4), 0x00FFFF00u);
    EXPECT_EQ(ReadIconFile(file), disc.convertToFormat(QImage::Format_ARGB32));
}

TEST(IconFile, OtherImagesRoundTripWithTheirTransparency)
{
    QImage image(20, 7, QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, x == 3 ? 0 : qRgba(x * 12, y * 30, 77, 255 - x));
    const QByteArray file = WriteIconFile(image);
    EXPECT_EQ(U16(file, 12), 32);
    EXPECT_EQ(ReadIconFile(file), image);

    // A 16-colour image with a transparent pixel comes back with that pixel transparent.
    QImage holed = StatusIconImage(clRed);
    holed.setPixel(0, 0, 0);
    EXPECT_EQ(ReadIconFile(WriteIconFile(holed)).pixel(0, 0), 0u);
    EXPECT_THROW(WriteIconFile(QImage()), EIconError);
    EXPECT_THROW(WriteIconFile(QImage(300, 2, QImage::Format_ARGB32)), EIconError);
}

TEST(IconFile, OneBitIconWithMaskIsRead)
{
    // 8 x 2, 1 bit per pixel: palette black and white; row 0 (stored last) white with its
    // first pixel masked out.
    QByteArray f;
    auto put16 = [&](quint16 v) { f.append(char(v & 0xFF)).append(char(v >> 8)); };
    auto put32 = [&](quint32 v) { put16(quint16(v)), put16(quint16(v >> 16)); };
    put16(0), put16(1), put16(1);
    f.append(char(8)).append(char(2)).append(char(2)).append('\0');
    put16(1), put16(1), put32(40 + 8 + 8 + 8), put32(22);
    put32(40), put32(8), put32(4), put16(1), put16(1), put32(0), put32(0), put32(0), put32(0),
        put32(0), put32(0);
    put32(0x000000), put32(0xFFFFFF);
    f.append(QByteArray("\x00\x00\x00\x00\xFF\x00\x00\x00", 8)); // rows 1, 0
    f.append(QByteArray("\x00\x00\x00\x00\x80\x00\x00\x00", 8)); // mask rows 1, 0
    const QImage image = ReadIconFile(f);
    ASSERT_EQ(image.size(), QSize(8, 2));
    EXPECT_EQ(image.pixel(0, 0), 0u);
    EXPECT_EQ(image.pixel(1, 0), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(1, 1), qRgb(0, 0, 0));
}

TEST(IconFile, EveryTruncationAndBadFieldIsAClearError)
{
    const QByteArray good = WriteIconFile(StatusIconImage(clLime));
    for (int n = 0; n < good.size(); ++n)
        EXPECT_THROW(ReadIconFile(good.left(n)), EIconError) << n << " bytes";

    const struct {
        const char* name;
        std::function<void(QByteArray&)> spoil;
    } cases[] = {
        {"reserved", [](QByteArray& b) { Set16(b, 0, 1); }},
        {"cursor type", [](QByteArray& b) { Set16(b, 2, 2); }},
        {"no images", [](QByteArray& b) { Set16(b, 4, 0); }},
        {"offset past the end", [](QByteArray& b) { Set32(b, 18, 5000); }},
        {"size past the end", [](QByteArray& b) { Set32(b, 14, 0xFFFFFFF0u); }},
        {"small header", [](QByteArray& b) { Set32(b, 22, 12); }},
        {"zero width", [](QByteArray& b) { Set32(b, 26, 0); }},
        {"huge width", [](QByteArray& b) { Set32(b, 26, 100000); }},
        {"negative height", [](QByteArray& b) { Set32(b, 30, quint32(-64)); }},
        {"3 bits per pixel", [](QByteArray& b) { Set16(b, 36, 3); }},
        {"compressed", [](QByteArray& b) { Set32(b, 38, 2); }},
        {"palette of 2 for 4-bit indices", [](QByteArray& b) { Set32(b, 54, 2); }},
        {"bad PNG", [](QByteArray& b) { b.replace(22, 8, QByteArray("\x89PNG\r\n\x1a\n", 8)); }},
    };
    for (const auto& c : cases) {
        QByteArray bad = good;
        c.spoil(bad);
        EXPECT_THROW(ReadIconFile(bad), EIconError) << c.name;
    }
}
