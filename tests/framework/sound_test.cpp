#include "framework/Sound.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

bool Touch(const QString& path)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write("RIFF") == 4;
}

} // namespace

// The alarm lies beside the executable in the build folder, under <prefix>/share/ZmPing2 when
// installed, or in the desktop's data folders; the nearest one wins.
TEST(FindDataFile, BesideTheProgramThenTheInstalledFolderThenTheDesktopsDataFolders)
{
    const QString name = QStringLiteral("zm-data-%1.wav").arg(::getpid());
    QTemporaryDir home;
    const QByteArray oldHome = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", home.path().toLocal8Bit());
    const QString beside = ExecutableDirectory() + name;
    const QString installed =
        QDir::cleanPath(ExecutableDirectory() + QStringLiteral("../share/ZmPing2/") + name);
    const QString user = home.filePath(QStringLiteral("ZmPing2/") + name);

    EXPECT_EQ(FindDataFile(name), beside) << "nowhere: the path beside the program";
    ASSERT_TRUE(Touch(user));
    EXPECT_EQ(FindDataFile(name), user);
    ASSERT_TRUE(Touch(installed));
    EXPECT_EQ(FindDataFile(name), installed);
    ASSERT_TRUE(Touch(beside));
    EXPECT_EQ(FindDataFile(name), beside);

    QFile::remove(beside);
    QFile::remove(installed);
    qputenv("XDG_DATA_HOME", oldHome);
}
