#include "framework/Exception.h"
#include "shell/Icon.h"
#include "shell/IconFile.h"
#include "shell/IconList.h"
#include "shell/StatusIcons.h"

#include <QBuffer>
#include <QMenu>
#include <QtEndian>
#include <functional>
#include <gtest/gtest.h>

namespace {

QImage Disc(int status)
{
    return StatusIconImage(StatusIconColor(status));
}

QByteArray Int(qint32 v)
{
    char b[4];
    qToLittleEndian(v, b);
    return QByteArray(b, 4);
}

QByteArray Save(const TIconList& list)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    list.SaveToStream(buffer);
    return buffer.data();
}

void Load(TIconList& list, const QByteArray& data)
{
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    list.LoadFromStream(buffer);
}

// A list of n discs with its change events counted.
struct Counted {
    TIconList List;
    int Changes = 0;
    explicit Counted(int n)
    {
        TIcon icon;
        for (int i = 0; i < n; ++i) {
            icon.SetImage(Disc(i % 4));
            List.Add(&icon);
        }
        List.OnChange = [this](QObject* sender) {
            EXPECT_EQ(sender, &List);
            ++Changes;
        };
    }
    QRgb Centre(int i) const { return List.Icons(i)->Image().pixel(16, 16); }
};

} // namespace

TEST(IconList, EveryChangeFiresOnceEvenWhenItChangesManyEntries)
{
    TIcon yellow;
    yellow.SetImage(Disc(2));
    TIconList source;
    source.Add(&yellow);
    source.Add(&yellow);
    const QByteArray stream = Save(source);
    const struct {
        const char* name;
        std::function<void(TIconList&)> op;
    } cases[] = {
        {"Clear", [](TIconList& l) { l.Clear(); }},
        {"Assign list", [&](TIconList& l) { l.Assign(&source); }},
        {"Assign icon", [&](TIconList& l) { l.Assign(&yellow); }},
        {"Assign nothing", [](TIconList& l) { l.Assign(nullptr); }},
        {"LoadFromStream", [&](TIconList& l) { Load(l, stream); }},
        {"Add", [&](TIconList& l) { l.Add(&yellow); }},
        {"Insert", [&](TIconList& l) { l.Insert(1, &yellow); }},
        {"Delete", [](TIconList& l) { l.Delete(0); }},
        {"Exchange", [](TIconList& l) { l.Exchange(0, 2); }},
        {"Move", [](TIconList& l) { l.Move(0, 2); }},
        {"write an entry", [&](TIconList& l) { l.SetIcons(1, &yellow); }},
        {"write at Count", [&](TIconList& l) { l.SetIcons(3, &yellow); }},
        {"change an icon it holds", [](TIconList& l) { l.Icons(0)->SetImage(Disc(3)); }},
        {"nested update",
         [&](TIconList& l) {
             l.BeginUpdate();
             l.Add(&yellow);
             l.BeginUpdate();
             l.Delete(0);
             l.Clear();
             l.EndUpdate();
             l.Add(&yellow);
             l.EndUpdate();
         }},
    };
    for (const auto& c : cases) {
        Counted l(3);
        c.op(l.List);
        EXPECT_EQ(l.Changes, 1) << c.name;
    }
    Counted l(1);
    l.List.BeginUpdate();
    l.List.Add(&yellow);
    EXPECT_EQ(l.Changes, 0) << "nothing while an update is in progress";
    l.List.EndUpdate();
    EXPECT_EQ(l.Changes, 1);
}

TEST(IconList, OperationsKeepOrderAndCopy)
{
    Counted l(4); // maroon, red, yellow, lime
    l.List.Exchange(0, 3);
    EXPECT_EQ(l.Centre(0), qRgb(0, 255, 0));
    EXPECT_EQ(l.Centre(3), qRgb(128, 0, 0));
    l.List.Move(0, 2); // red, yellow, lime, maroon
    EXPECT_EQ(l.Centre(0), qRgb(255, 0, 0));
    EXPECT_EQ(l.Centre(2), qRgb(0, 255, 0));

    TIcon source;
    source.SetImage(Disc(0));
    const int at = l.List.Add(&source);
    EXPECT_EQ(at, 4);
    EXPECT_NE(l.List.Icons(at), &source) << "a copy";
    source.SetImage(Disc(1));
    EXPECT_EQ(l.Centre(at), qRgb(128, 0, 0)) << "the copy does not follow the source";
    EXPECT_EQ(l.List.IndexOf(l.List.Icons(2)), 2);
    EXPECT_EQ(l.List.IndexOf(&source), -1);

    // An empty entry gets an icon of its own when written.
    Load(l.List, Int(2) + Int(0) + Int(-5));
    ASSERT_EQ(l.List.Count(), 2);
    EXPECT_EQ(l.List.Icons(0), nullptr);
    EXPECT_EQ(l.List.Icons(1), nullptr);
    l.List.SetIcons(1, &source);
    ASSERT_NE(l.List.Icons(1), nullptr);
    EXPECT_EQ(l.Centre(1), qRgb(255, 0, 0));
    EXPECT_EQ(Save(l.List), Int(2) + Int(0) + Int(766) + source.SaveToData());
}

TEST(IconList, BadIndexOrSourceIsRefusedAndChangesNothing)
{
    Counted l(2);
    TIcon icon;
    icon.SetImage(Disc(1));
    const std::function<void()> badIndex[] = {
        [&] { l.List.Icons(-1); },        [&] { l.List.Icons(2); },
        [&] { l.List.Delete(2); },        [&] { l.List.Exchange(0, 5); },
        [&] { l.List.Move(-1, 0); },      [&] { l.List.SetIcons(3, &icon); },
        [&] { l.List.Insert(3, &icon); },
    };
    for (const auto& op : badIndex)
        EXPECT_THROW(op(), EListError);
    try {
        l.List.Icons(7);
    } catch (const EListError& e) {
        EXPECT_EQ(e.Message(), "List index out of bounds (7)");
    }

    QMenu menu;
    try {
        l.List.Assign(&menu);
        ADD_FAILURE() << "assigning a menu was accepted";
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), "Cannot assign a QMenu to a TIconList");
    }
    EXPECT_THROW(l.List.AddResource("/nonexistent/icon.ico"), EIconError);
    EXPECT_EQ(l.List.Count(), 2);
    EXPECT_EQ(l.Changes, 0);
}

TEST(IconList, StreamWritesBackExactlyWhatItRead)
{
    // An entry in a different encoding (32 bits per pixel) must survive unchanged.
    QImage translucent(16, 16, QImage::Format_ARGB32);
    translucent.fill(qRgba(10, 20, 30, 128));
    const QByteArray other = WriteIconFile(translucent);
    const QByteArray disc = WriteIconFile(Disc(3));
    const QByteArray data =
        Int(3) + Int(qint32(other.size())) + other + Int(0) + Int(qint32(disc.size())) + disc;
    TIconList list;
    Load(list, data);
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(list.Icons(0)->Image().pixel(3, 3), qRgba(10, 20, 30, 128));
    EXPECT_EQ(list.Icons(1), nullptr);
    EXPECT_EQ(Save(list), data);
    EXPECT_FALSE(TIconList().HasStoredData());
    EXPECT_TRUE(list.HasStoredData());

    TIconList copy;
    copy.Assign(&list);
    EXPECT_EQ(Save(copy), data);
}

TEST(IconList, CorruptStreamRaisesAndLeavesTheListAsItWas)
{
    const QByteArray good = BuildStatusIconData();
    QByteArray garbage = good;
    garbage[4 + 4] = 'X'; // first icon's reserved field
    const struct {
        const char* name;
        QByteArray data;
    } cases[] = {
        {"empty", {}},
        {"short count", Int(1).left(3)},
        {"negative count", Int(-1)},
        {"count beyond the data", Int(5) + Int(0)},
        {"size beyond the data", Int(1) + Int(766) + QByteArray(100, '\0')},
        {"huge size", Int(1) + Int(0x7FFFFFFF)},
        {"not an icon", garbage},
        {"cut in the last icon", good.left(good.size() - 1)},
    };
    for (const auto& c : cases) {
        Counted l(2);
        EXPECT_THROW(Load(l.List, c.data), EIconError) << c.name;
        EXPECT_EQ(l.List.Count(), 2) << c.name;
        EXPECT_EQ(l.Centre(1), qRgb(255, 0, 0)) << c.name;
        EXPECT_EQ(l.Changes, 0) << c.name;
    }
}
