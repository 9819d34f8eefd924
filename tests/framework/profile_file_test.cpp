// ctest-labels: unit
#include "framework/AtomicFile.h"
#include "framework/BrokenFile.h"
#include "framework/ProfileFile.h"
#include "support/ReadOnlyFolder.h"
#include "support/TempConfig.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

#include <csignal>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {
const QByteArray Sample = "; placement of the main window\n"
                          "[TAnaF]\n"
                          "FormVersion=0\n"
                          "NormPos = 312,214,718,464 \n"
                          "Quoted=\"\"a b\"\"\n"
                          "Single='x'\n"
                          "Lone=\"x\n"
                          "no equals sign here\n"
                          "\n"
                          "[Other]\n"
                          "NormPos=1,2,3,4\n"
                          "[tanaf]\n"
                          "Extra=second section of the same name\n";
} // namespace

TEST(ProfileLookup, FollowsTheSystemReader)
{
    struct Case {
        const char* section;
        const char* name;
        std::optional<QString> expected;
    } cases[] = {
        {"TAnaF", "FormVersion", QString("0")},
        {"tanaf", "NORMPOS", QString("312,214,718,464")}, // case-insensitive, trimmed
        {"TAnaF", "Quoted", QString("\"a b\"")},          // one pair of quotes removed
        {"TAnaF", "Single", QString("x")},
        {"TAnaF", "Lone", QString("\"x")},
        {"Other", "NormPos", QString("1,2,3,4")},
        {"TAnaF", "Extra", std::nullopt}, // only the first section of a name is read
        {"TAnaF", "Missing", std::nullopt},
        {"Nowhere", "FormVersion", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ProfileLookup(Sample, c.section, c.name), c.expected) << c.section << c.name;
}

TEST(ProfileLookup, ReadsGoThroughA2048ByteBuffer)
{
    const QByteArray content = "[S]\nLong=" + QByteArray(5000, 'x') +
                               "\nWide=" + QString(1500, QChar(0x131)).toUtf8() + "\n";
    EXPECT_EQ(ProfileLookup(content, "S", "Long")->size(), 2047);
    // Never half a character: 1023 two-byte characters fit in 2047 bytes.
    EXPECT_EQ(ProfileLookup(content, "S", "Wide")->size(), 1023);
}

TEST(ProfileWrite, ChangesOnlyWhatIsWritten)
{
    QByteArray t = ProfileWrite(Sample, "TANAF", QString("normpos"), QString("1,1,9,9"));
    EXPECT_TRUE(t.contains("\nNormPos=1,1,9,9\n")); // the stored spelling of the name stays
    EXPECT_TRUE(t.contains("no equals sign here\n"));
    EXPECT_TRUE(t.contains("; placement of the main window\n"));
    EXPECT_EQ(ProfileLookup(t, "Other", "NormPos"), QString("1,2,3,4"));

    t = ProfileWrite(t, "TAnaF", QString("New"), QString("v"));
    EXPECT_TRUE(t.contains("no equals sign here\nNew=v\n\n[Other]")) << t.constData();
    t = ProfileWrite(t, "TAnaF", QString("Single"), std::nullopt);
    EXPECT_EQ(ProfileLookup(t, "TAnaF", "Single"), std::nullopt);
    t = ProfileWrite(t, "tanaf", std::nullopt, std::nullopt);
    EXPECT_FALSE(t.contains("FormVersion"));
    EXPECT_FALSE(t.contains("Extra"));
    EXPECT_EQ(ProfileLookup(t, "Other", "NormPos"), QString("1,2,3,4"));

    EXPECT_EQ(ProfileWrite("[A]\nx=1", "B", QString("y"), QString("2")), "[A]\nx=1\n[B]\ny=2\n");
}

class ProfileFileTest : public ::testing::Test {
protected:
    TTempConfig Config;
};

TEST_F(ProfileFileTest, BareNameLiesInTheConfigFolder)
{
    TIniFile ini("ZmPing2.INI");
    ini.WriteString("TAnaF", "NormPos", "1,2,3,4");
    EXPECT_TRUE(QFile::exists(Config.Folder() + "/ZmPing2.INI"));
    EXPECT_EQ(ini.ReadString("tanaf", "normpos", ""), "1,2,3,4");
    EXPECT_EQ(ini.ReadString("TAnaF", "Missing", "dflt"), "dflt");
    const QString elsewhere = Config.Home() + "/sub/other.ini";
    TIniFile(elsewhere).WriteInteger("S", "N", 5);
    EXPECT_TRUE(QFile::exists(elsewhere));
}

TEST_F(ProfileFileTest, ASessionReadsTheFileOnceAndWritesItOnce)
{
    TIniFile("t.ini").WriteString("S", "A", "1");
    TIniFile ini("t.ini");
    ini.BeginUpdate();
    EXPECT_EQ(ini.ReadString("S", "A", ""), "1");
    TIniFile("t.ini").WriteString("S", "A", "changed elsewhere");
    EXPECT_EQ(ini.ReadString("S", "A", ""), "1"); // the session's one reading
    ini.WriteString("S", "B", "2");
    ini.WriteString("T", "C", "3");
    EXPECT_EQ(ini.ReadString("S", "B", ""), "2");
    EXPECT_EQ(TIniFile("t.ini").ReadString("S", "B", "not yet"), "not yet");
    ini.EndUpdate();
    // Applied to the file as it was then: the change made elsewhere is kept.
    TIniFile after("t.ini");
    EXPECT_EQ(after.ReadString("S", "A", ""), "changed elsewhere");
    EXPECT_EQ(after.ReadString("S", "B", ""), "2");
    EXPECT_EQ(after.ReadString("T", "C", ""), "3");
}

TEST_F(ProfileFileTest, WhatIsNoSettingsFileIsSetAsideAndTheDefaultsUsed)
{
    QStringList reports;
    SetBrokenFileReporter([&](const QString& m) { reports << m; });
    const QString path = Config.Folder() + "/t.ini";
    const QByteArray name = QFile::encodeName(path);
    QDir().mkpath(Config.Folder());
    ASSERT_EQ(::mkfifo(name.constData(), 0600), 0);
    EXPECT_EQ(TIniFile("t.ini").ReadString("S", "A", "default"), "default");
    EXPECT_FALSE(QFileInfo::exists(path));
    ASSERT_EQ(::symlink("/dev/zero", name.constData()), 0);
    TIniFile("t.ini").WriteString("S", "A", "1"); // written anew beside what was set aside
    EXPECT_EQ(TIniFile("t.ini").ReadString("S", "A", ""), "1");
    EXPECT_FALSE(QFileInfo(path).isSymLink());
    SetBrokenFileReporter({});
    EXPECT_EQ(QDir(Config.Folder()).entryList({"t.ini.broken-*"}, QDir::System).size(), 2);
    ASSERT_EQ(reports.size(), 1) << "reported once";
    EXPECT_TRUE(reports[0].contains(path)) << reports[0].toStdString();
}

TEST_F(ProfileFileTest, IntegersReadDecimalOrHexadecimal)
{
    TIniFile ini("t.ini");
    struct Case {
        const char* text;
        int expected;
    } cases[] = {{"12", 12},  {"-5", -5}, {"0x1F", 31},       {"0X10", 16}, {"0x", 77},
                 {"12a", 77}, {"", 77},   {"0xFFFFFFFF", -1}, {"0x-1", 77}, {"99999999999", 77}};
    for (const Case& c : cases) {
        ini.WriteString("S", "N", c.text);
        EXPECT_EQ(ini.ReadInteger("S", "N", 77), c.expected) << c.text;
    }
}

TEST_F(ProfileFileTest, UnwritableTextsAndFoldersReportUnableToWrite)
{
    TIniFile ini("t.ini");
    for (const char* v : {"a\nb", "x\r"}) {
        try {
            ini.WriteString("S", "N", v);
            FAIL() << "written";
        } catch (const EIniFileException& e) {
            EXPECT_EQ(e.Message(), "Unable to write to t.ini");
        }
    }
    EXPECT_THROW(ini.WriteString("S", "a=b", "1"), EIniFileException);
    EXPECT_THROW(ini.WriteString("S]", "a", "1"), EIniFileException);

    ini.WriteString("S", "N", "old");
    QByteArray before;
    ASSERT_TRUE(ReadWholeFile(Config.Folder() + "/t.ini", before));
    const auto out = RunWithReadOnlyFolder(Config.Folder(), [] {
        TIniFile ro("t.ini");
        QString r = ro.ReadString("S", "N", "");
        try {
            ro.WriteString("S", "N", "new");
        } catch (const EIniFileException& e) {
            r += "|" + e.Message();
        }
        return r;
    });
    if (!out)
        GTEST_SKIP() << "cannot make a read-only folder here";
    // The program's text, then the file's full path and the system's reason.
    const QString prefix = "old|Unable to write to t.ini (" + Config.Folder() + "/t.ini: ";
    EXPECT_TRUE(out->startsWith(prefix) && out->endsWith(")") && out->size() > prefix.size() + 1)
        << out->toStdString();
    QByteArray after;
    ASSERT_TRUE(ReadWholeFile(Config.Folder() + "/t.ini", after));
    EXPECT_EQ(after, before);
}

TEST_F(ProfileFileTest, DamagedFileIsReadAsFarAsItGoesAndKeptOnRewrite)
{
    const QString path = Config.Folder() + "/t.ini";
    QDir().mkpath(Config.Folder());
    static const char raw[] = "\0\xff\xfe[\x01]\n=\n[[S]\n\xc3(=\x80\n[S]\nN=1";
    const QByteArray junk(raw, sizeof raw - 1);
    AtomicWriteFile(path, junk);
    TIniFile ini("t.ini");
    EXPECT_EQ(ini.ReadString("S", "N", "d"), "1");
    ini.WriteString("S", "M", "2");
    QByteArray after;
    ASSERT_TRUE(ReadWholeFile(path, after));
    EXPECT_TRUE(after.startsWith(junk.left(12)));
    EXPECT_EQ(ini.ReadString("S", "M", ""), "2");
    EXPECT_EQ(ini.ReadString("S", "N", ""), "1");
}

TEST_F(ProfileFileTest, KilledWriterLeavesOldOrNewFile)
{
    const QString path = Config.Folder() + "/t.ini";
    TIniFile("t.ini").WriteString("S", "V", QString(1000, 'a'));
    for (int round = 0; round < 10; ++round) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            TIniFile ini("t.ini");
            for (int i = 0;; ++i)
                for (int n = 0; n < 50; ++n)
                    ini.WriteString("S", QString("V%1").arg(n), QString(1000, QChar('a' + i % 26)));
        }
        ::usleep(2000 + round * 1500);
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        QByteArray text;
        ASSERT_TRUE(ReadWholeFile(path, text));
        EXPECT_TRUE(text.endsWith('\n'));
        EXPECT_EQ(ProfileLookup(text, "S", "V")->size(), 1000);
        for (const QByteArray& line : text.split('\n'))
            EXPECT_TRUE(line.isEmpty() || line == "[S]" || line.size() >= 1002) << line.size();
    }
}
