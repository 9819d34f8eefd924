#include "framework/Language.h"

#include "framework/Sound.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTranslator>
#include <cstdio>

namespace Language {

namespace {

QString& Chosen()
{
    static QString language = QStringLiteral("tr");
    return language;
}

} // namespace

QString Normalised(const QString& code)
{
    const QString c = code.trimmed().toLower().left(2);
    if (c == QLatin1String("tr") || c == QLatin1String("en"))
        return c;
    return {};
}

QString Install(const QString& code)
{
    const QString language = Normalised(code);
    if (language.isEmpty() || language == QLatin1String("tr"))
        return Chosen() = QStringLiteral("tr");
    const QString file = FindDataFile(QStringLiteral("translations/ZmPing2_%1.qm").arg(language));
    // Lives as long as the application: the translator must outlast every text it gives.
    static QTranslator translator;
    if (!QFileInfo(file).isFile() || !translator.load(file) ||
        !QCoreApplication::installTranslator(&translator)) {
        std::fprintf(stderr, "ZmPing2: no translation for '%s' (%s); the windows stay Turkish\n",
                     qPrintable(language), qPrintable(file));
        return Chosen() = QStringLiteral("tr");
    }
    return Chosen() = language;
}

QString Current()
{
    return Chosen();
}

QLocale WindowLocale()
{
    return Current() == QLatin1String("en") ? QLocale(QLocale::English, QLocale::UnitedStates)
                                            : QLocale(QLocale::Turkish, QLocale::Turkey);
}

} // namespace Language
