// Every text the program shows has its English: Qt's lupdate, run over the sources as they are
// now (also texts added later), finds no text without a translation.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <gtest/gtest.h>

TEST(Translations, EveryShownTextHasItsEnglish)
{
    const QString lupdate = QStringLiteral(ZM_LUPDATE);
    if (lupdate.isEmpty() || !QFile::exists(lupdate))
        GTEST_SKIP() << "no lupdate (Debian package qt6-l10n-tools)";
    QTemporaryDir dir;
    const QString ts = dir.filePath("ZmPing2_en.ts");
    ASSERT_TRUE(QFile::copy(ZM_SOURCE_DIR "/resources/translations/ZmPing2_en.ts", ts));
    QFile::setPermissions(ts, QFile::ReadOwner | QFile::WriteOwner);
    QStringList args{"-silent", "-locations",       "none",  "-no-obsolete", "-source-language",
                     "tr_TR",   "-target-language", "en_US", "-I",           ZM_SOURCE_DIR};
    for (const char* folder : {"app", "controls", "framework", "monitor", "net", "shell"})
        args << QStringLiteral(ZM_SOURCE_DIR "/%1").arg(folder);
    args << "-ts" << ts;
    QProcess p;
    p.start(lupdate, args);
    ASSERT_TRUE(p.waitForFinished(120000));
    ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    QFile f(ts);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    // A message without English: new (unfinished) or translated as nothing.
    QStringList untranslated;
    int messages = 0;
    QString source;
    for (QXmlStreamReader xml(&f); !xml.atEnd();) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QLatin1String("source")) {
            source = xml.readElementText();
            ++messages;
        } else if (xml.name() == QLatin1String("translation")) {
            const bool unfinished = xml.attributes().value("type") == QLatin1String("unfinished");
            if (xml.readElementText().trimmed().isEmpty() || unfinished)
                untranslated << source;
        }
    }
    EXPECT_TRUE(untranslated.isEmpty())
        << "texts without English (add them with scripts/translate 'Türkçe' 'English'):\n"
        << untranslated.join('\n').toStdString();
    EXPECT_GT(messages, 60) << "lupdate found the program's texts";
}
