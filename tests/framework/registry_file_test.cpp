// ctest-labels: unit
#include "framework/AtomicFile.h"
#include "framework/ConfigFolder.h"
#include "framework/RegistryFile.h"
#include "support/ReadOnlyFolder.h"
#include "support/TempConfig.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>
#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {
QByteArray FileText(const QString& path)
{
    QByteArray b;
    ReadWholeFile(path, b);
    return b;
}

void WriteText(const QString& path, const QByteArray& text)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
}

class RegistryFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TRegistryFile::SetBrokenFileReporter([this](const QString& m) { Reports << m; });
    }
    void TearDown() override { TRegistryFile::SetBrokenFileReporter({}); }
    TTempConfig Config;
    QStringList Reports;
    QString Path() const { return TRegistryFile::DefaultPath(); }
};
} // namespace

TEST_F(RegistryFileTest, DefaultFileLiesInTheConfigFolder)
{
    EXPECT_EQ(Path(), Config.Home() + "/ZmPing2/registry.reg");
    qputenv("XDG_CONFIG_HOME", "");
    EXPECT_EQ(ConfigFolder(), QDir::homePath() + "/.config/ZmPing2");
    qputenv("XDG_CONFIG_HOME", Config.Home().toLocal8Bit());
}

TEST_F(RegistryFileTest, EveryValueTypeSurvivesSerializeAndParse)
{
    TRegistryData d;
    const QString key = "HKEY_CURRENT_USER\\Software\\ZmPing2\\TAyarF";
    d.CreateKey(key);
    auto add = [&](QString name, uint32_t type, QString text, uint32_t dw, QByteArray raw) {
        TRegValue v;
        v.Name = name;
        v.Type = type;
        v.Text = text;
        v.Dword = dw;
        v.Raw = raw;
        d.SetValue(key, v);
    };
    add("Plain", REG_SZ, "200-700 ms Arası normal", 0, {});
    add("Escapes", REG_SZ, "C:\\dir\\\"quoted\"\\", 0, {});
    add("Lines", REG_SZ, "one\ntwo\r\n", 0, {}); // cannot stand on one line: hex(1)
    add("", REG_SZ, "default value", 0, {});
    add("Expand", REG_EXPAND_SZ, "%HOME%/x", 0, {});
    add("Dword", REG_DWORD, {}, 0xDEADBEEF, {});
    add("Bin", REG_BINARY, {}, 0, QByteArray(100, '\x7f'));
    add("Multi", REG_MULTI_SZ, {}, 0, QByteArray("a\0\0\0\0\0", 6));
    add("Empty", REG_SZ, "", 0, {});
    const QByteArray text = d.Serialize();
    EXPECT_TRUE(text.startsWith("Windows Registry Editor Version 5.00\n"));
    EXPECT_TRUE(text.contains("\"Escapes\"=\"C:\\\\dir\\\\\\\"quoted\\\"\\\\\"\n"));
    EXPECT_TRUE(text.contains("\"Dword\"=dword:deadbeef\n"));
    EXPECT_TRUE(text.contains("\"Expand\"=hex(2):25,00,48,00"));
    EXPECT_TRUE(text.contains("\"Lines\"=hex(1):"));
    EXPECT_TRUE(text.contains("@=\"default value\""));
    const TRegistryData back = TRegistryData::Parse(text);
    EXPECT_EQ(back, d);
    // Parents were created with the key.
    EXPECT_EQ(back.SubKeys("HKEY_CURRENT_USER\\Software"), QStringList{"ZmPing2"});
}

TEST_F(RegistryFileTest, ParseAcceptsWhatRegistryEditorsWrite)
{
    const QByteArray text = "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n\r\n"
                            "; comment\r\n"
                            "[HKEY_CURRENT_USER\\Software\\X]\r\n"
                            "; a comment ending in a backslash: C:\\\r\n"
                            "\"A\" = \"1\"\r\n"
                            "\"B\"=hex(2):41,00,\\\r\n  42,00,00,00\r\n"
                            "\"C\"=hex(4):01,02,00,00\r\n"
                            "\"a\"=\"2\"\r\n";
    const TRegistryData d = TRegistryData::Parse(text);
    const QString k = "hkey_current_user\\software\\x";
    ASSERT_NE(d.FindValue(k, "A"), nullptr);
    EXPECT_EQ(d.FindValue(k, "a")->Text, "2"); // names without regard to case: the last wins
    EXPECT_EQ(d.FindValue(k, "A")->Name, "A");
    EXPECT_EQ(d.FindValue(k, "B")->Text, "AB");
    EXPECT_EQ(d.FindValue(k, "B")->Type, uint32_t(REG_EXPAND_SZ));
    EXPECT_EQ(d.FindValue(k, "C")->Dword, 0x201u);
}

TEST_F(RegistryFileTest, ParseRejectsDamagedText)
{
    const char* bad[] = {
        "REGEDIT4\n",
        "garbage\n[HKEY_CURRENT_USER\\X]\n",
        "Windows Registry Editor Version 5.00\n\"A\"=\"1\"\n",
        "Windows Registry Editor Version 5.00\n[HKEY_NOWHERE\\X]\n",
        "Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\\\X]\n",
        "Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\X\n",
        "Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\X]\n\"A\"=\"un\\terminated\n",
        "Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\X]\n\"A\"=\"1\" trailing\n",
        "Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\X]\n\"A\"=dword:123456789\n",
        "Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\X]\n\"A\"=dword:xyz\n",
        "Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\X]\n\"A\"=hex:1,2,300\n",
        "Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\X]\n\"A\"=hex(2):41\n",
        "Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\X]\n\"A\"=-\n",
        "Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\X]\nA=\"1\"\n",
        "Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\X]\n\"A\"=\"\xff\xfe\"\n",
    };
    for (const char* t : bad)
        EXPECT_THROW(TRegistryData::Parse(t), ERegistryFormatError) << t;
    EXPECT_NO_THROW(TRegistryData::Parse(""));
}

TEST_F(RegistryFileTest, FirstReadOnlyOpeningCreatesTheEmptyKey)
{
    EXPECT_FALSE(QFile::exists(Path()));
    TRegIniFile ini("Software\\ZmPing2", true);
    EXPECT_EQ(ini.CurrentPath(), "HKEY_CURRENT_USER\\Software\\ZmPing2");
    const TRegistryData d = TRegistryFile().Read();
    ASSERT_NE(d.FindKey("HKEY_CURRENT_USER\\Software\\ZmPing2"), nullptr);
    EXPECT_TRUE(d.FindKey("HKEY_CURRENT_USER\\Software\\ZmPing2")->Values.isEmpty());
    EXPECT_EQ(ini.ReadString("TAyarF", "FormVersion", "dflt"), "dflt");
    EXPECT_EQ(ini.ReadInteger("TAyarF", "FormVersion", 7), 7);
}

TEST_F(RegistryFileTest, WritesAreStringValuesAndReadsCheckTheType)
{
    TRegIniFile ini("Software\\ZmPing2", false);
    ini.WriteString("TAyarF", "HostEdit_Text", "a\"b\\c");
    ini.WriteInteger("TAyarF", "FormVersion", 0);
    ini.WriteBool("TAyarF", "Flag", true);
    const QByteArray text = FileText(Path());
    EXPECT_TRUE(text.contains("[HKEY_CURRENT_USER\\Software\\ZmPing2\\TAyarF]\n"
                              "\"HostEdit_Text\"=\"a\\\"b\\\\c\"\n"
                              "\"FormVersion\"=\"0\"\n"
                              "\"Flag\"=\"1\"\n"))
        << text.constData();
    EXPECT_EQ(ini.ReadString("tayarf", "hostedit_text", ""), "a\"b\\c");

    TRegistryFile().Modify([](TRegistryData& d) {
        TRegValue v;
        v.Name = "SpinEdit1_Value";
        v.Type = REG_DWORD;
        v.Dword = 5;
        d.SetValue("HKEY_CURRENT_USER\\Software\\ZmPing2\\TAyarF", v);
        v.Name = "Exp";
        v.Type = REG_EXPAND_SZ;
        v.Text = QString("x") + QChar(0) + "y";
        d.SetValue("HKEY_CURRENT_USER\\Software\\ZmPing2\\TAyarF", v);
        v.Name = "Num";
        v.Type = REG_SZ;
        v.Text = "12x";
        d.SetValue("HKEY_CURRENT_USER\\Software\\ZmPing2\\TAyarF", v);
        return true;
    });
    try {
        ini.ReadString("TAyarF", "SpinEdit1_Value", "");
        FAIL() << "no error";
    } catch (const ERegistryException& e) {
        EXPECT_EQ(e.Message(), "Invalid data type for 'SpinEdit1_Value'");
    }
    EXPECT_THROW(ini.ReadInteger("TAyarF", "SpinEdit1_Value", 0), ERegistryException);
    EXPECT_EQ(ini.ReadString("TAyarF", "Exp", ""), "x"); // the text ends at its first zero
    EXPECT_EQ(ini.ReadInteger("TAyarF", "Num", 9), 9);
    // A leading backslash names a key from the root.
    ini.WriteString("\\Software\\Other", "V", "1");
    EXPECT_NE(TRegistryFile().Read().FindValue("HKEY_CURRENT_USER\\Software\\Other", "V"), nullptr);
}

TEST_F(RegistryFileTest, ReadsFollowEveryChangeOfTheFileOnDisk)
{
    // Parsed content is reused between reads; it must never hide a change made by another
    // process, whether it replaced the file or edited it in place with the same size.
    TRegIniFile ini("Software\\ZmPing2", false);
    ini.WriteString("TAyarF", "HostEdit_Text", "aaaa");
    EXPECT_EQ(ini.ReadString("TAyarF", "HostEdit_Text", ""), "aaaa");

    QByteArray text = FileText(Path());
    text.replace("\"aaaa\"", "\"bbbb\"");
    {
        QFile f(Path()); // in place: same inode, same size
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_EQ(f.write(text), text.size());
    }
    EXPECT_EQ(ini.ReadString("TAyarF", "HostEdit_Text", ""), "bbbb");

    // Once the file has settled, reads reuse what was parsed, and still see a later edit.
    QThread::msleep(150);
    EXPECT_EQ(ini.ReadString("TAyarF", "HostEdit_Text", ""), "bbbb");
    text.replace("\"bbbb\"", "\"dddd\"");
    {
        QFile f(Path());
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_EQ(f.write(text), text.size());
    }
    EXPECT_EQ(ini.ReadString("TAyarF", "HostEdit_Text", ""), "dddd");

    TRegIniFile other("Software\\ZmPing2", false);
    other.WriteString("TAyarF", "HostEdit_Text", "cccc");
    EXPECT_EQ(ini.ReadString("TAyarF", "HostEdit_Text", ""), "cccc");

    ASSERT_TRUE(QFile::remove(Path()));
    EXPECT_EQ(ini.ReadString("TAyarF", "HostEdit_Text", "gone"), "gone");
}

TEST_F(RegistryFileTest, EraseSectionDeletesTheWholeTree)
{
    TRegIniFile ini("Software\\ZmPing2", false);
    ini.WriteString("S", "A", "1");
    ini.WriteString("S\\Sub\\Deeper", "B", "2");
    ini.WriteString("Keep", "C", "3");
    ini.EraseSection("s");
    const TRegistryData d = TRegistryFile().Read();
    EXPECT_EQ(d.FindKey("HKEY_CURRENT_USER\\Software\\ZmPing2\\S"), nullptr);
    EXPECT_EQ(d.FindKey("HKEY_CURRENT_USER\\Software\\ZmPing2\\S\\Sub\\Deeper"), nullptr);
    EXPECT_EQ(ini.ReadString("Keep", "C", ""), "3");
}

TEST_F(RegistryFileTest, OtherRootIsOpenedWithoutCreatingForReading)
{
    TRegIniFile reader("Software\\ZmPing2", true, TRegRoot::LocalMachine);
    EXPECT_TRUE(reader.CurrentPath().isEmpty());
    EXPECT_EQ(reader.ReadString("S", "A", "d"), "d");
    TRegIniFile writer("Software\\ZmPing2", false, TRegRoot::LocalMachine);
    writer.WriteString("S", "A", "1");
    EXPECT_NE(TRegistryFile().Read().FindValue("HKEY_LOCAL_MACHINE\\Software\\ZmPing2\\S", "A"),
              nullptr);
}

TEST_F(RegistryFileTest, BrokenFileIsKeptAsideAndReportedOnce)
{
    const QByteArray garbage = "Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\X]\n"
                               "\"A\"=dword:zz\n";
    WriteText(Path(), garbage);
    TRegIniFile ini("Software\\ZmPing2", true);
    EXPECT_EQ(ini.ReadString("TAyarF", "A", "default"), "default");
    ASSERT_EQ(Reports.size(), 1);
    EXPECT_TRUE(Reports[0].contains("line 3")) << Reports[0].toStdString();
    const QStringList aside =
        QDir(Config.Folder()).entryList({"registry.reg.broken-*"}, QDir::Files);
    ASSERT_EQ(aside.size(), 1);
    EXPECT_EQ(FileText(Config.Folder() + "/" + aside[0]), garbage);
    // The program goes on: the key was created anew and writes work.
    ini.WriteString("TAyarF", "A", "1");
    EXPECT_EQ(ini.ReadString("TAyarF", "A", ""), "1");
    // A second damaged file is kept beside the first, never over it.
    WriteText(Path(), "nonsense");
    EXPECT_EQ(TRegIniFile("Software\\ZmPing2", true).ReadString("TAyarF", "A", "d"), "d");
    EXPECT_EQ(QDir(Config.Folder()).entryList({"registry.reg.broken-*"}, QDir::Files).size(), 2);
}

TEST_F(RegistryFileTest, WhatIsNoSettingsFileIsSetAsideAndTheDefaultsUsed)
{
    // A FIFO would block the program for ever, a link to /dev/zero would never end, and a file
    // beyond the bound is no settings file either.
    const QByteArray path = QFile::encodeName(Path());
    const std::function<void()> hostile[] = {
        [&] { ASSERT_EQ(::mkfifo(path.constData(), 0600), 0); },
        [&] { ASSERT_EQ(::symlink("/dev/zero", path.constData()), 0); },
        [&] {
            WriteText(Path(), "Windows Registry Editor Version 5.00\n" +
                                  QByteArray(MaxSettingsFileSize, ';'));
        },
    };
    QDir().mkpath(Config.Folder());
    int n = 0;
    for (const auto& make : hostile) {
        make();
        TRegIniFile ini("Software\\ZmPing2", true);
        EXPECT_EQ(ini.ReadString("TAyarF", "A", "default"), "default") << n;
        EXPECT_TRUE(QFileInfo(Path()).isFile() && !QFileInfo(Path()).isSymLink()) << n;
        EXPECT_EQ(QDir(Config.Folder())
                      .entryList({"registry.reg.broken-*"}, QDir::AllEntries | QDir::System)
                      .size(),
                  ++n);
        ASSERT_TRUE(QFile::remove(Path()));
    }
    ASSERT_EQ(Reports.size(), 1) << "reported once";
    EXPECT_TRUE(Reports[0].contains("not a regular file")) << Reports[0].toStdString();
}

TEST_F(RegistryFileTest, NewFilesAreForTheUserOnly)
{
    const QByteArray path = QFile::encodeName(Path());
    for (const mode_t mask : {mode_t(022), mode_t(077), mode_t(0277)}) {
        const mode_t old = ::umask(mask);
        QDir(Config.Folder()).removeRecursively();
        TRegIniFile("Software\\ZmPing2", false).WriteString("S", "A", "1");
        ::umask(old);
        struct stat st {};
        ASSERT_EQ(::stat(path.constData(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0600 & ~mask) << std::oct << mask;
        ASSERT_EQ(::stat(QFile::encodeName(Config.Folder()).constData(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0700 & ~mask) << std::oct << mask;
        ASSERT_EQ(::stat(QFile::encodeName(Path() + ".lock").constData(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0600 & ~mask) << std::oct << mask;
    }
}

TEST_F(RegistryFileTest, ALockHeldElsewhereFailsTheWriteWithinASecond)
{
    TRegIniFile ini("Software\\ZmPing2", false);
    ini.WriteString("S", "A", "old");
    const TFileLock other(Path(), true); // another open file: flock treats it as another holder
    ASSERT_TRUE(other.Locked());
    QElapsedTimer t;
    t.start();
    try {
        ini.WriteString("S", "A", "new");
        FAIL() << "written";
    } catch (const ERegistryException& e) {
        EXPECT_TRUE(e.Message().startsWith("Failed to set data for 'A' (" + Path() + ": "))
            << e.Message().toStdString();
    }
    EXPECT_LT(t.elapsed(), 3000);
    EXPECT_EQ(ini.ReadString("S", "A", ""), "old"); // a read does not wait for the lock
}

TEST_F(RegistryFileTest, ReadOnlyFolderReportsWriteFailuresAndKeepsTheFile)
{
    {
        TRegIniFile ini("Software\\ZmPing2", false);
        ini.WriteString("TAyarF", "A", "old");
    }
    const QByteArray before = FileText(Path());
    const auto out = RunWithReadOnlyFolder(Config.Folder(), [] {
        QStringList r;
        TRegIniFile ini("Software\\ZmPing2", false);
        r << ini.ReadString("TAyarF", "A", "");
        for (const char* section : {"TAyarF", "NewSection"}) {
            try {
                ini.WriteString(section, "A", "new");
                r << "written";
            } catch (const ERegistryException& e) {
                r << e.Message();
            }
        }
        return r.join('|');
    });
    if (!out)
        GTEST_SKIP() << "cannot make a read-only folder here";
    // The program's texts, each followed by the file's full path and the system's reason.
    const QStringList parts = out->split('|');
    ASSERT_EQ(parts.size(), 3) << out->toStdString();
    EXPECT_EQ(parts[0], "old");
    for (const auto& [part, text] :
         {std::pair{parts[1], QString("Failed to set data for 'A'")},
          std::pair{parts[2], QString("Failed to create key NewSection")}})
        EXPECT_TRUE(part.startsWith(text + " (" + Path() + ": ") && part.endsWith(")"))
            << part.toStdString();
    EXPECT_EQ(FileText(Path()), before);
    EXPECT_TRUE(QDir(Config.Folder()).entryList({".registry.reg.tmp-*"}, QDir::Hidden).isEmpty());
}

TEST_F(RegistryFileTest, ConcurrentWritersLoseNoUpdate)
{
    constexpr int Writers = 4, Each = 15;
    pid_t pids[Writers];
    for (int w = 0; w < Writers; ++w) {
        pids[w] = ::fork();
        ASSERT_GE(pids[w], 0);
        if (pids[w] == 0) {
            TRegIniFile ini("Software\\ZmPing2", false);
            for (int i = 0; i < Each; ++i)
                ini.WriteString("W", QString("w%1_%2").arg(w).arg(i), "x");
            ::_exit(0);
        }
    }
    for (pid_t p : pids) {
        int status = 0;
        ::waitpid(p, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    const TRegistryData d = TRegistryFile().Read();
    const TRegKey* k = d.FindKey("HKEY_CURRENT_USER\\Software\\ZmPing2\\W");
    ASSERT_NE(k, nullptr);
    EXPECT_EQ(k->Values.size(), Writers * Each);
}

TEST_F(RegistryFileTest, KilledWriterLeavesOldOrNewFileNeverABrokenOne)
{
    {
        TRegIniFile ini("Software\\ZmPing2", false);
        ini.WriteString("S", "V", QString(20000, 'a'));
    }
    for (int round = 0; round < 12; ++round) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            TRegIniFile ini("Software\\ZmPing2", false);
            for (int i = 0;; ++i)
                ini.WriteString("S", "V", QString(20000 + i, QChar('a' + i % 26)));
        }
        ::usleep(3000 + round * 1700);
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        QByteArray text;
        ASSERT_TRUE(ReadWholeFile(Path(), text));
        TRegistryData d;
        ASSERT_NO_THROW(d = TRegistryData::Parse(text)) << "round " << round;
        const TRegValue* v = d.FindValue("HKEY_CURRENT_USER\\Software\\ZmPing2\\S", "V");
        ASSERT_NE(v, nullptr);
        EXPECT_GE(v->Text.size(), 20000);
        EXPECT_TRUE(Reports.isEmpty());
    }
    // The next write clears away what a killed writer left half done.
    WriteText(Config.Folder() + "/.registry.reg.tmp-AbCdEf", "half");
    TRegIniFile("Software\\ZmPing2", false).WriteString("S", "V", "done");
    EXPECT_EQ(QDir(Config.Folder()).entryList({".registry.reg.tmp-*"}, QDir::Hidden).size(), 0);
}
