// ctest-labels: gui
#include "framework/Align.h"
#include "framework/ExtCtrls.h"
#include "framework/Sound.h"
#include "framework/StdCtrls.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

TEST(StdCtrls, SettingByNameRaisesTheEventOnlyOnAChange)
{
    QWidget parent;
    TCheckBox box(&parent, "x");
    int clicks = 0;
    box.OnClick = [&](QObject* s) {
        EXPECT_EQ(s, &box);
        ++clicks;
    };
    EXPECT_TRUE(box.setProperty("Checked", true));
    EXPECT_TRUE(box.Checked());
    box.setProperty("Checked", true);
    EXPECT_EQ(clicks, 1);
    box.setProperty("Checked", false);
    EXPECT_EQ(clicks, 2);

    TEdit edit(&parent);
    int changes = 0;
    edit.OnChange = [&](QObject*) { ++changes; };
    edit.setProperty("Text", "host");
    edit.setProperty("Text", "host");
    EXPECT_EQ(edit.Text(), "host");
    EXPECT_EQ(changes, 1);

    TLabel label(&parent, 3, 4, "a");
    label.setProperty("Caption", "longer caption");
    EXPECT_EQ(label.Caption(), "longer caption");
    EXPECT_EQ(label.pos(), QPoint(3, 4));
    EXPECT_GT(label.width(), 20); // sized to its text
}

TEST(StdCtrls, DisabledButtonDoesNotClick)
{
    QWidget parent;
    TButton b(&parent, "&Ping");
    int clicks = 0;
    b.OnClick = [&](QObject*) { ++clicks; };
    b.Click();
    b.setEnabled(false);
    b.Click();
    EXPECT_EQ(clicks, 1);
}

TEST(StdCtrls, MemoKeepsLinesInOrder)
{
    QWidget parent;
    TMemo memo(&parent);
    EXPECT_TRUE(memo.Lines().isEmpty());
    memo.Add("one");
    memo.Add("two");
    EXPECT_EQ(memo.Lines(), (QStringList{"one", "two"}));
    memo.Clear();
    EXPECT_TRUE(memo.Lines().isEmpty());
}

TEST(ExtCtrls, TimerWithIntervalZeroNeverFires)
{
    QObject owner;
    TTimer t(&owner);
    int ticks = 0;
    t.OnTimer = [&](QObject*) { ++ticks; };
    t.SetInterval(0);
    EXPECT_TRUE(t.Enabled());
    EXPECT_FALSE(t.IsRunning());
    t.SetInterval(10);
    EXPECT_TRUE(t.IsRunning());
    for (int i = 0; i < 20 && ticks == 0; ++i) {
        QThread::msleep(10);
        QCoreApplication::processEvents();
    }
    EXPECT_GT(ticks, 0);
    t.SetEnabled(false);
    EXPECT_FALSE(t.IsRunning());
}

TEST(ExtCtrls, CircleShapeLeavesTheOddRowEmpty)
{
    QWidget parent;
    TShape lamp(&parent, stCircle);
    lamp.setGeometry(0, 0, 29, 30);
    lamp.SetBrushColor(clLime);
    const QImage img = lamp.grab().toImage();
    ASSERT_EQ(img.size(), QSize(29, 30));
    const QColor black(0, 0, 0), lime(0, 255, 0);
    EXPECT_EQ(img.pixelColor(14, 0), black);  // top of the outline
    EXPECT_EQ(img.pixelColor(14, 28), black); // bottom of the outline
    EXPECT_EQ(img.pixelColor(0, 14), black);
    EXPECT_EQ(img.pixelColor(28, 14), black);
    EXPECT_EQ(img.pixelColor(14, 14), lime);
    for (int x = 0; x < 29; ++x)
        EXPECT_NE(img.pixelColor(x, 29), black) << x; // the row below the square
    EXPECT_NE(img.pixelColor(0, 0), black);           // corners stay outside the circle
}

TEST(Align, TopBottomRightAndClient)
{
    QWidget parent;
    parent.resize(398, 216);
    TPanel top(&parent), bottom(&parent);
    QWidget client(&parent);
    top.resize(10, 31);
    bottom.resize(10, 45);
    bottom.SetBevels(bvLowered, bvRaised);
    QWidget right(&bottom);
    right.resize(217, 5);
    SetAlign(&top, alTop);
    SetAlign(&bottom, alBottom);
    SetAlign(&client, alClient);
    SetAlign(&right, alRight);
    EXPECT_EQ(top.geometry(), QRect(0, 0, 398, 31));
    EXPECT_EQ(bottom.geometry(), QRect(0, 171, 398, 45));
    EXPECT_EQ(client.geometry(), QRect(0, 31, 398, 140));
    // Inside both bevels of its panel.
    EXPECT_EQ(right.geometry(), QRect(398 - 2 - 217, 2, 217, 41));
    // A shown parent re-arranges on every resize.
    parent.show();
    parent.resize(500, 300);
    EXPECT_EQ(client.geometry(), QRect(0, 31, 500, 224));
}

TEST(Sound, PlayerGetsTheFileAndAMissingFileDoesNotPlay)
{
    QTemporaryDir dir;
    const QString log = dir.filePath("log"), wav = dir.filePath("a.wav");
    const QString script = dir.filePath("rec.sh");
    QFile s(script);
    ASSERT_TRUE(s.open(QIODevice::WriteOnly));
    s.write(QStringLiteral("#!/bin/sh\necho \"$@\" >> '%1'\n").arg(log).toUtf8());
    s.close();
    s.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QFile w(wav);
    ASSERT_TRUE(w.open(QIODevice::WriteOnly));
    w.write("RIFF");
    w.close();
    qputenv("ZMPING2_SOUND_PLAYER", script.toLocal8Bit());
    PlaySoundAsync(dir.filePath("missing.wav"));
    PlaySoundAsync(wav);
    QFile l(log);
    for (int i = 0; i < 100 && !l.exists(); ++i)
        QThread::msleep(20);
    QThread::msleep(100);
    qunsetenv("ZMPING2_SOUND_PLAYER");
    ASSERT_TRUE(l.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(l.readAll()).trimmed(), wav);
}
