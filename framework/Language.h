#pragma once
// The language the program's windows speak. Turkish is the program's own: its texts are the
// sources, so Turkish needs no file. English comes from a Qt translation file built beside the
// executable (translations/ZmPing2_en.qm) or installed under <prefix>/share/ZmPing2/.
#include <QLocale>
#include <QString>

namespace Language {

// "tr" or "en" for a code a user may write ("tr", "TR", "en", "en_GB" ...); empty for any other.
QString Normalised(const QString& code);

// Loads the translation for code (tr or en) into the application; with code empty or
// unknown, or its file missing, the windows stay Turkish. Returns the language in use.
// Needs the application object.
QString Install(const QString& code);

// The language in use ("tr" until Install chose another).
QString Current();

// How numbers are written in the windows: with the language's decimal mark. Machine outputs
// (status JSON, history, metrics) never use it.
QLocale WindowLocale();

} // namespace Language
