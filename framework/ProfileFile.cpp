#include "framework/ProfileFile.h"

#include "framework/AtomicFile.h"
#include "framework/BrokenFile.h"
#include "framework/ConfigFolder.h"

#include <QFile>
#include <QFileInfo>
#include <QList>

namespace {
struct TLine {
    QByteArray Raw; // as in the file, without its line break
    int Kind = 0;   // 0 other, 1 section header, 2 name=value
    QString Name;   // section or value name, trimmed
    QString Value;  // value text, trimmed
};

QList<TLine> SplitLines(const QByteArray& content)
{
    QList<TLine> lines;
    qsizetype start = 0;
    while (start < content.size()) {
        qsizetype end = content.indexOf('\n', start);
        if (end < 0)
            end = content.size();
        TLine l;
        l.Raw = content.mid(start, end - start);
        QByteArray body = l.Raw;
        if (body.endsWith('\r'))
            body.chop(1);
        const QString text = QString::fromUtf8(body).trimmed();
        if (text.startsWith(QLatin1Char('['))) {
            const qsizetype close = text.indexOf(QLatin1Char(']'));
            l.Kind = 1;
            l.Name = (close < 0 ? text.mid(1) : text.mid(1, close - 1)).trimmed();
        } else if (const qsizetype eq = text.indexOf(QLatin1Char('=')); eq > 0) {
            l.Kind = 2;
            l.Name = text.left(eq).trimmed();
            l.Value = text.mid(eq + 1).trimmed();
        }
        lines.append(l);
        start = end + 1;
    }
    return lines;
}

bool Same(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// The text cut to what fits a buffer of size bytes with its terminating zero, never splitting
// a character.
QString CutToBuffer(const QString& s, int size)
{
    if (size <= 0)
        return QString();
    const QByteArray utf8 = s.toUtf8();
    if (utf8.size() <= size - 1)
        return s;
    qsizetype n = size - 1;
    while (n > 0 && (uchar(utf8[n]) & 0xC0) == 0x80)
        --n;
    return QString::fromUtf8(utf8.left(n));
}

bool Writable(const QString& s)
{
    return !s.contains(QLatin1Char('\n')) && !s.contains(QLatin1Char('\r')) &&
           !s.contains(QChar(0));
}

// A line break would let a value forge sections and names of its own, and "=" or "[" would
// make a name unreadable.
bool ValidWrite(const QString& section, const std::optional<QString>& name,
                const std::optional<QString>& value)
{
    if (!Writable(section) || section.contains(QLatin1Char(']')) || section.trimmed().isEmpty())
        return false;
    if (name && (!Writable(*name) || name->contains(QLatin1Char('=')) ||
                 name->trimmed().isEmpty() || name->trimmed().startsWith(QLatin1Char('['))))
        return false;
    return !value || Writable(*value);
}

// The file's content for reading: a file that is no regular file or too large is set aside as
// broken and reads as empty. False when it could not be read (or not be set aside).
bool LoadProfile(const QString& path, QByteArray& content, QString& reason, bool& exists)
{
    exists = false;
    switch (ReadSettingsFile(path, content, reason)) {
    case TSettingsRead::Missing:
        return true;
    case TSettingsRead::Read:
        exists = true;
        return true;
    case TSettingsRead::Refused:
        return SetBrokenFileAside(path, reason);
    case TSettingsRead::Failed:
        break;
    }
    return false;
}
} // namespace

namespace {
// Applies the edits to the file as it is now, under its lock, and replaces it once. A file
// that could not be read is never replaced. Raises EFileWriteError.
void EditProfileFile(const QString& path, const QList<TProfileEdit>& edits)
{
    const TFileLock lock(path, true);
    lock.RequireForWriting(path);
    QByteArray content;
    QString reason;
    bool exists = false;
    if (!LoadProfile(path, content, reason, exists))
        throw EFileWriteError(QFileInfo(path).absoluteFilePath(), reason);
    QByteArray updated = content;
    for (const TProfileEdit& e : edits)
        updated = ProfileWrite(updated, e.Section, e.Name, e.Value);
    if (exists ? updated == content : updated.isEmpty())
        return;
    RemoveStaleTemporaryFiles(path);
    AtomicWriteFile(path, updated);
}
} // namespace

QString ProfilePath(const QString& fileName)
{
    if (!fileName.contains(QLatin1Char('/')))
        return ConfigFolder() + QLatin1Char('/') + fileName;
    return fileName;
}

std::optional<QString> ProfileLookup(const QByteArray& content, const QString& section,
                                     const QString& name, int bufferSize)
{
    bool inSection = false;
    for (const TLine& l : SplitLines(content)) {
        if (l.Kind == 1) {
            if (inSection)
                break; // only the first section of that name is read
            inSection = Same(l.Name, section);
        } else if (inSection && l.Kind == 2 && Same(l.Name, name)) {
            QString v = l.Value;
            if (v.size() >= 2 &&
                ((v.front() == QLatin1Char('"') && v.back() == QLatin1Char('"')) ||
                 (v.front() == QLatin1Char('\'') && v.back() == QLatin1Char('\''))))
                v = v.mid(1, v.size() - 2);
            return CutToBuffer(v, bufferSize);
        }
    }
    return std::nullopt;
}

QByteArray ProfileWrite(const QByteArray& content, const QString& section,
                        const std::optional<QString>& name, const std::optional<QString>& value)
{
    QList<TLine> lines = SplitLines(content);
    const bool endsOpen = !content.isEmpty() && !content.endsWith('\n');
    auto join = [&](const QList<TLine>& ls) {
        QByteArray out;
        for (const TLine& l : ls) {
            out += l.Raw;
            out += '\n';
        }
        return out;
    };
    // Where the first section of that name starts and ends (one past its last line).
    qsizetype head = -1, end = lines.size();
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (lines[i].Kind != 1)
            continue;
        if (head >= 0) {
            end = i;
            break;
        }
        if (Same(lines[i].Name, section))
            head = i;
    }
    if (!name) {
        // Every section of that name goes, with its lines.
        QList<TLine> kept;
        bool drop = false;
        bool changed = false;
        for (const TLine& l : lines) {
            if (l.Kind == 1)
                drop = Same(l.Name, section);
            if (drop)
                changed = true;
            else
                kept.append(l);
        }
        return changed ? join(kept) : content;
    }
    if (head < 0) {
        if (!value)
            return content;
        QByteArray out = content;
        if (endsOpen)
            out += '\n';
        out += QStringLiteral("[%1]\n%2=%3\n").arg(section, *name, *value).toUtf8();
        return out;
    }
    for (qsizetype i = head + 1; i < end; ++i) {
        if (lines[i].Kind == 2 && Same(lines[i].Name, *name)) {
            if (!value)
                lines.removeAt(i);
            else
                lines[i].Raw = (lines[i].Name + QLatin1Char('=') + *value).toUtf8();
            return join(lines);
        }
    }
    if (!value)
        return content;
    // A new name goes after the section's last non-blank line.
    qsizetype at = end;
    while (at > head + 1 && lines[at - 1].Raw.trimmed().isEmpty())
        --at;
    TLine l;
    l.Raw = (*name + QLatin1Char('=') + *value).toUtf8();
    lines.insert(at, l);
    return join(lines);
}

QString GetPrivateProfileString(const QString& section, const QString& name, const QString& def,
                                const QString& fileName, int bufferSize)
{
    QByteArray content;
    QString reason;
    bool exists = false;
    if (LoadProfile(ProfilePath(fileName), content, reason, exists))
        if (auto v = ProfileLookup(content, section, name, bufferSize))
            return *v;
    return CutToBuffer(def, bufferSize);
}

bool WritePrivateProfileString(const QString& section, const std::optional<QString>& name,
                               const std::optional<QString>& value, const QString& fileName)
{
    if (!ValidWrite(section, name, value))
        return false;
    try {
        EditProfileFile(ProfilePath(fileName), {TProfileEdit{section, name, value}});
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

TIniFile::TIniFile(const QString& fileName) : FFileName(fileName) {}

TIniFile::~TIniFile() = default;

QString TIniFile::ReadString(const QString& section, const QString& name, const QString& def)
{
    if (FUpdates == 0)
        return GetPrivateProfileString(section, name, def, FFileName);
    if (!FSession) {
        QString reason;
        bool exists = false;
        FSession.emplace();
        if (!LoadProfile(ProfilePath(FFileName), *FSession, reason, exists))
            FSession->clear(); // unreadable: the defaults
    }
    if (auto v = ProfileLookup(*FSession, section, name))
        return *v;
    return CutToBuffer(def, ProfileBufferSize);
}

void TIniFile::Edit(const QString& section, const std::optional<QString>& name,
                    const std::optional<QString>& value)
{
    const QString unable = QStringLiteral("Unable to write to %1").arg(FFileName);
    if (!ValidWrite(section, name, value))
        throw EIniFileException(unable);
    const TProfileEdit edit{section, name, value};
    if (FUpdates > 0) {
        if (FSession)
            *FSession = ProfileWrite(*FSession, section, name, value);
        FPending.append(edit);
        return;
    }
    try {
        EditProfileFile(ProfilePath(FFileName), {edit});
    } catch (const EFileWriteError& e) {
        throw EIniFileException(QStringLiteral("%1 (%2)").arg(unable, e.Cause()));
    }
}

void TIniFile::WriteString(const QString& section, const QString& name, const QString& value)
{
    Edit(section, name, value);
}

int TIniFile::ReadInteger(const QString& section, const QString& name, int def)
{
    const QString s = ReadString(section, name, QString());
    bool ok = false;
    int v;
    if (s.size() > 2 && s[0] == QLatin1Char('0') &&
        (s[1] == QLatin1Char('x') || s[1] == QLatin1Char('X'))) {
        // As a 32-bit pattern, so 0xFFFFFFFF reads as -1.
        const uint u = s.mid(2).toUInt(&ok, 16);
        v = int(u);
        if (s.mid(2).startsWith('-') || s.mid(2).startsWith('+'))
            ok = false;
    } else {
        v = s.toInt(&ok, 10);
    }
    return ok ? v : def;
}

void TIniFile::EraseSection(const QString& section)
{
    Edit(section, std::nullopt, std::nullopt);
}

void TIniFile::BeginUpdate()
{
    ++FUpdates;
}

void TIniFile::EndUpdate()
{
    if (FUpdates == 0 || --FUpdates > 0)
        return;
    const QList<TProfileEdit> pending = std::exchange(FPending, {});
    FSession.reset();
    if (pending.isEmpty())
        return;
    try {
        EditProfileFile(ProfilePath(FFileName), pending);
    } catch (const EFileWriteError& e) {
        throw EIniFileException(
            QStringLiteral("Unable to write to %1 (%2)").arg(FFileName, e.Cause()));
    }
}
