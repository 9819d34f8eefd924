#include "framework/AtomicFile.h"
#include "framework/MessageBox.h"
#include "shell/Autostart.h"
#include "support/ReadOnlyFolder.h"
#include "support/TempConfig.h"

#include <QAction>
#include <QCoreApplication>
#include <QFileInfo>
#include <QMenu>
#include <gtest/gtest.h>

namespace {

QString ExecLine(const QByteArray& entry)
{
    for (const QByteArray& line : entry.split('\n'))
        if (line.startsWith("Exec="))
            return QString::fromUtf8(line.mid(5));
    return {};
}

} // namespace

TEST(Autostart, TheMenuItemSwitchesTheEntryAndShowsItsState)
{
    TTempConfig config;
    QStringList shown;
    SetMessageBoxHook([&](const QString& text) { shown << text; });
    QMenu menu;
    QAction* item = AddAutostartItem(&menu);
    EXPECT_EQ(item->text(), QStringLiteral("Oturum açılınca başlat"));
    EXPECT_TRUE(item->isCheckable());
    EXPECT_FALSE(item->isChecked());
    EXPECT_EQ(AutostartFile(), config.Home() + "/autostart/ZmPing2.desktop");

    item->trigger();
    EXPECT_TRUE(item->isChecked());
    QByteArray entry;
    ASSERT_TRUE(ReadWholeFile(AutostartFile(), entry));
    EXPECT_EQ(ExecLine(entry), QCoreApplication::applicationFilePath() + " --hidden");
    EXPECT_TRUE(entry.startsWith("[Desktop Entry]\n"));

    // Switched off outside the program (as a desktop's settings do): the mark follows when
    // the menu opens.
    AtomicWriteFile(AutostartFile(), entry + "Hidden=true\n");
    emit menu.aboutToShow();
    EXPECT_FALSE(item->isChecked());
    item->trigger();
    EXPECT_TRUE(item->isChecked());
    item->trigger();
    EXPECT_FALSE(item->isChecked());
    EXPECT_FALSE(QFileInfo::exists(AutostartFile()));

    // A folder that cannot be written: the failure is shown, the mark stays off, no file.
    const auto out = RunWithReadOnlyFolder(config.Home() + "/autostart", [&] {
        item->trigger();
        return QStringLiteral("%1|%2|%3")
            .arg(item->isChecked())
            .arg(QFileInfo::exists(AutostartFile()))
            .arg(shown.size());
    });
    SetMessageBoxHook({});
    if (!out)
        GTEST_SKIP() << "cannot make a folder read-only here";
    EXPECT_EQ(*out, QStringLiteral("0|0|1"));
}

TEST(Autostart, ProgramPathsWithReservedCharactersAreQuoted)
{
    EXPECT_EQ(ExecLine(AutostartEntry("/usr/bin/ZmPing2")), "/usr/bin/ZmPing2 --hidden");
    EXPECT_EQ(ExecLine(AutostartEntry("/home/a b/100%/ZmPing2")),
              "\"/home/a b/100%%/ZmPing2\" --hidden");
    // Quoting escapes the backslash, and the string escape doubles the result.
    EXPECT_EQ(ExecLine(AutostartEntry("/o$d/\"q\"/x\\y")),
              "\"/o\\\\$d/\\\\\"q\\\\\"/x\\\\\\\\y\" --hidden");
}
