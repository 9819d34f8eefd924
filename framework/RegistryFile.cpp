#include "framework/RegistryFile.h"

#include "framework/AtomicFile.h"
#include "framework/BrokenFile.h"
#include "framework/ConfigFolder.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <ctime>
#include <mutex>
#include <sys/stat.h>

namespace {
constexpr auto Header = "Windows Registry Editor Version 5.00";

const QStringList& RootNames()
{
    static const QStringList names = {
        QStringLiteral("HKEY_CURRENT_USER"),   QStringLiteral("HKEY_LOCAL_MACHINE"),
        QStringLiteral("HKEY_CURRENT_CONFIG"), QStringLiteral("HKEY_CLASSES_ROOT"),
        QStringLiteral("HKEY_USERS"),          QStringLiteral("HKEY_DYN_DATA")};
    return names;
}

bool SameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// A key path is a known root followed by non-empty names without line breaks.
bool ValidKeyPath(const QString& path)
{
    const QStringList parts = path.split(QLatin1Char('\\'));
    bool rootOk = false;
    for (const QString& r : RootNames())
        rootOk = rootOk || SameName(parts.first(), r);
    if (!rootOk)
        return false;
    for (const QString& p : parts)
        if (p.isEmpty() || p.contains(QLatin1Char('\n')) || p.contains(QLatin1Char('\r')) ||
            p.contains(QChar(0)))
            return false;
    return true;
}

bool ValidValueName(const QString& name)
{
    return !name.contains(QLatin1Char('\n')) && !name.contains(QLatin1Char('\r')) &&
           !name.contains(QChar(0));
}

QString Quote(const QString& s)
{
    QString r;
    r.reserve(s.size() + 2);
    r += QLatin1Char('"');
    for (QChar c : s) {
        if (c == QLatin1Char('\\') || c == QLatin1Char('"'))
            r += QLatin1Char('\\');
        r += c;
    }
    r += QLatin1Char('"');
    return r;
}

// Reads a quoted text starting at s[pos] == '"'; pos ends after the closing quote.
bool Unquote(const QString& s, qsizetype& pos, QString& out)
{
    if (pos >= s.size() || s[pos] != QLatin1Char('"'))
        return false;
    ++pos;
    out.clear();
    while (pos < s.size()) {
        const QChar c = s[pos++];
        if (c == QLatin1Char('"'))
            return true;
        if (c == QLatin1Char('\\')) {
            if (pos >= s.size())
                return false;
            const QChar e = s[pos++];
            if (e != QLatin1Char('\\') && e != QLatin1Char('"'))
                return false;
            out += e;
        } else {
            out += c;
        }
    }
    return false;
}

QByteArray Utf16Data(const QString& text)
{
    QByteArray b;
    b.reserve((text.size() + 1) * 2);
    for (QChar c : text) {
        b += char(c.unicode() & 0xFF);
        b += char(c.unicode() >> 8);
    }
    b += '\0';
    b += '\0';
    return b;
}

bool FromUtf16Data(const QByteArray& b, QString& text)
{
    if (b.size() % 2 != 0)
        return false;
    text.clear();
    for (qsizetype i = 0; i < b.size(); i += 2)
        text += QChar(char16_t(uchar(b[i]) | (uchar(b[i + 1]) << 8)));
    if (text.endsWith(QChar(0)))
        text.chop(1);
    return true;
}

QString HexData(const QString& prefix, const QByteArray& b)
{
    QString r = prefix;
    int col = prefix.size();
    for (qsizetype i = 0; i < b.size(); ++i) {
        if (i > 0) {
            r += QLatin1Char(',');
            ++col;
            if (col > 74) {
                r += QStringLiteral("\\\n  ");
                col = 2;
            }
        }
        r += QStringLiteral("%1").arg(uchar(b[i]), 2, 16, QLatin1Char('0'));
        col += 2;
    }
    return r;
}

bool ParseHexBytes(const QString& s, QByteArray& out)
{
    out.clear();
    const QString t = s.trimmed();
    if (t.isEmpty())
        return true;
    for (const QString& part : t.split(QLatin1Char(','))) {
        const QString p = part.trimmed();
        if (p.isEmpty() || p.size() > 2)
            return false;
        bool ok = false;
        const uint v = p.toUInt(&ok, 16);
        if (!ok)
            return false;
        out += char(v);
    }
    return true;
}

bool NeedsHexForm(const QString& text)
{
    return text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r')) ||
           text.contains(QChar(0)) || !text.isValidUtf16();
}

} // namespace

ERegistryFormatError::ERegistryFormatError(int line, const QString& reason)
    : Exception(QStringLiteral("line %1: %2").arg(line).arg(reason)), FLine(line)
{
}

TRegistryData TRegistryData::Parse(const QByteArray& bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder.decode(bytes);
    if (decoder.hasError())
        throw ERegistryFormatError(1, QStringLiteral("the text is not UTF-8"));
    QStringList lines = text.split(QLatin1Char('\n'));
    TRegistryData data;
    QString currentKey;
    QHash<QString, qsizetype> valueAt;
    bool headerSeen = false;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const int lineNo = int(i + 1);
        QString line = lines[i];
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (i == 0 && line.startsWith(QChar(0xFEFF)))
            line.remove(0, 1);
        // Long hex data continues on the next lines after a trailing backslash; a comment that
        // happens to end in one does not swallow the value below it.
        while (line.trimmed().endsWith(QLatin1Char('\\')) && !line.trimmed().startsWith('[') &&
               !line.trimmed().startsWith(';') && i + 1 < lines.size()) {
            line = line.trimmed();
            line.chop(1);
            QString next = lines[++i];
            if (next.endsWith(QLatin1Char('\r')))
                next.chop(1);
            line += next.trimmed();
        }
        const QString t = line.trimmed();
        if (t.isEmpty() || t.startsWith(QLatin1Char(';')))
            continue;
        if (!headerSeen) {
            if (t != QLatin1String(Header))
                throw ERegistryFormatError(lineNo, QStringLiteral("not a registry file"));
            headerSeen = true;
            continue;
        }
        if (t.startsWith(QLatin1Char('['))) {
            if (!t.endsWith(QLatin1Char(']')) || t.size() < 3)
                throw ERegistryFormatError(lineNo, QStringLiteral("bad key line"));
            const QString path = t.mid(1, t.size() - 2);
            if (!ValidKeyPath(path))
                throw ERegistryFormatError(lineNo, QStringLiteral("bad key name"));
            currentKey = data.CreateKey(path).Path;
            continue;
        }
        if (currentKey.isEmpty())
            throw ERegistryFormatError(lineNo, QStringLiteral("value outside a key"));
        TRegValue v;
        qsizetype pos = 0;
        if (t.startsWith(QLatin1Char('@'))) {
            pos = 1;
        } else if (!Unquote(t, pos, v.Name) || v.Name.isEmpty()) {
            throw ERegistryFormatError(lineNo, QStringLiteral("bad value name"));
        }
        while (pos < t.size() && t[pos].isSpace())
            ++pos;
        if (pos >= t.size() || t[pos] != QLatin1Char('='))
            throw ERegistryFormatError(lineNo, QStringLiteral("\"=\" expected"));
        ++pos;
        while (pos < t.size() && t[pos].isSpace())
            ++pos;
        const QString rest = t.mid(pos);
        if (rest.startsWith(QLatin1Char('"'))) {
            qsizetype p = 0;
            if (!Unquote(rest, p, v.Text) || p != rest.size())
                throw ERegistryFormatError(lineNo, QStringLiteral("bad string value"));
            v.Type = REG_SZ;
        } else if (rest.startsWith(QLatin1String("dword:"), Qt::CaseInsensitive)) {
            const QString digits = rest.mid(6);
            bool ok = false;
            v.Dword = digits.toUInt(&ok, 16);
            if (!ok || digits.isEmpty() || digits.size() > 8 || digits.startsWith('+') ||
                digits.startsWith('-'))
                throw ERegistryFormatError(lineNo, QStringLiteral("bad dword value"));
            v.Type = REG_DWORD;
        } else if (rest.startsWith(QLatin1String("hex"), Qt::CaseInsensitive)) {
            qsizetype colon = rest.indexOf(QLatin1Char(':'));
            if (colon < 0)
                throw ERegistryFormatError(lineNo, QStringLiteral("bad hex value"));
            const QString kind = rest.left(colon);
            if (kind.compare(QLatin1String("hex"), Qt::CaseInsensitive) == 0) {
                v.Type = REG_BINARY;
            } else {
                if (!kind.endsWith(QLatin1Char(')')) || kind.size() < 6 ||
                    kind[3] != QLatin1Char('('))
                    throw ERegistryFormatError(lineNo, QStringLiteral("bad hex type"));
                const QString num = kind.mid(4, kind.size() - 5);
                bool ok = false;
                v.Type = num.toUInt(&ok, 16);
                if (!ok || num.isEmpty() || num.size() > 8 || num.startsWith('+') ||
                    num.startsWith('-'))
                    throw ERegistryFormatError(lineNo, QStringLiteral("bad hex type"));
            }
            QByteArray bytes;
            if (!ParseHexBytes(rest.mid(colon + 1), bytes))
                throw ERegistryFormatError(lineNo, QStringLiteral("bad hex data"));
            if (v.Type == REG_SZ || v.Type == REG_EXPAND_SZ) {
                if (!FromUtf16Data(bytes, v.Text))
                    throw ERegistryFormatError(lineNo, QStringLiteral("bad text data"));
            } else if (v.Type == REG_DWORD && bytes.size() == 4) {
                v.Dword = uchar(bytes[0]) | (uchar(bytes[1]) << 8) | (uchar(bytes[2]) << 16) |
                          (uint32_t(uchar(bytes[3])) << 24);
            } else if (v.Type == REG_DWORD) {
                throw ERegistryFormatError(lineNo, QStringLiteral("bad dword data"));
            } else {
                v.Raw = bytes;
            }
        } else {
            throw ERegistryFormatError(lineNo, QStringLiteral("unknown value type"));
        }
        // As SetValue, through an index, so that a large file loads in linear time.
        const QString id = currentKey.toCaseFolded() + QChar(0) + v.Name.toCaseFolded();
        TRegKey* key = data.FindKey(currentKey);
        if (const auto at = valueAt.constFind(id); at != valueAt.constEnd()) {
            v.Name = key->Values[*at].Name;
            key->Values[*at] = v;
        } else {
            valueAt.insert(id, key->Values.size());
            key->Values.append(v);
        }
    }
    if (!headerSeen && !text.trimmed().isEmpty())
        throw ERegistryFormatError(1, QStringLiteral("not a registry file"));
    return data;
}

QByteArray TRegistryData::Serialize() const
{
    QString out = QLatin1String(Header) + QStringLiteral("\n");
    for (const TRegKey& key : FKeys) {
        out += QStringLiteral("\n[") + key.Path + QStringLiteral("]\n");
        for (const TRegValue& v : key.Values) {
            out += v.Name.isEmpty() ? QStringLiteral("@") : Quote(v.Name);
            out += QLatin1Char('=');
            switch (v.Type) {
            case REG_SZ:
                out += NeedsHexForm(v.Text) ? HexData(QStringLiteral("hex(1):"), Utf16Data(v.Text))
                                            : Quote(v.Text);
                break;
            case REG_EXPAND_SZ:
                out += HexData(QStringLiteral("hex(2):"), Utf16Data(v.Text));
                break;
            case REG_DWORD:
                out += QStringLiteral("dword:%1").arg(v.Dword, 8, 16, QLatin1Char('0'));
                break;
            case REG_BINARY:
                out += HexData(QStringLiteral("hex:"), v.Raw);
                break;
            default:
                out += HexData(QStringLiteral("hex(%1):").arg(v.Type, 0, 16), v.Raw);
                break;
            }
            out += QLatin1Char('\n');
        }
    }
    return out.toUtf8();
}

TRegKey* TRegistryData::FindKey(const QString& path)
{
    const auto it = FIndex.constFind(path.toCaseFolded());
    return it == FIndex.constEnd() ? nullptr : &FKeys[*it];
}

void TRegistryData::Reindex()
{
    FIndex.clear();
    for (qsizetype i = 0; i < FKeys.size(); ++i)
        FIndex.insert(FKeys[i].Path.toCaseFolded(), i);
}

const TRegKey* TRegistryData::FindKey(const QString& path) const
{
    return const_cast<TRegistryData*>(this)->FindKey(path);
}

TRegKey& TRegistryData::CreateKey(const QString& path)
{
    const QStringList parts = path.split(QLatin1Char('\\'));
    QString prefix = parts.first();
    for (qsizetype i = 1; i < parts.size(); ++i) {
        prefix += QLatin1Char('\\') + parts[i];
        if (i < parts.size() - 1 && !FindKey(prefix)) {
            FIndex.insert(prefix.toCaseFolded(), FKeys.size());
            FKeys.append(TRegKey{prefix, {}});
        }
    }
    if (TRegKey* k = FindKey(path))
        return *k;
    FIndex.insert(path.toCaseFolded(), FKeys.size());
    FKeys.append(TRegKey{path, {}});
    return FKeys.last();
}

bool TRegistryData::DeleteKey(const QString& path)
{
    const QString below = path + QLatin1Char('\\');
    const qsizetype before = FKeys.size();
    FKeys.removeIf([&](const TRegKey& k) {
        return SameName(k.Path, path) || k.Path.startsWith(below, Qt::CaseInsensitive);
    });
    Reindex();
    return FKeys.size() != before;
}

QStringList TRegistryData::SubKeys(const QString& path) const
{
    QStringList names;
    const QString below = path + QLatin1Char('\\');
    for (const TRegKey& k : FKeys) {
        if (!k.Path.startsWith(below, Qt::CaseInsensitive))
            continue;
        const QString rest = k.Path.mid(below.size());
        if (!rest.contains(QLatin1Char('\\')))
            names += rest;
    }
    return names;
}

const TRegValue* TRegistryData::FindValue(const QString& path, const QString& name) const
{
    const TRegKey* k = FindKey(path);
    if (!k)
        return nullptr;
    for (const TRegValue& v : k->Values)
        if (SameName(v.Name, name))
            return &v;
    return nullptr;
}

bool TRegistryData::SetValue(const QString& path, const TRegValue& value)
{
    TRegKey* k = FindKey(path);
    if (!k)
        return false;
    for (TRegValue& v : k->Values) {
        if (SameName(v.Name, value.Name)) {
            const QString keepName = v.Name;
            v = value;
            v.Name = keepName;
            return true;
        }
    }
    k->Values.append(value);
    return true;
}

bool TRegistryData::DeleteValue(const QString& path, const QString& name)
{
    TRegKey* k = FindKey(path);
    return k && k->Values.removeIf([&](const TRegValue& v) { return SameName(v.Name, name); }) > 0;
}

TRegistryFile::TRegistryFile(QString path) : FPath(std::move(path)) {}

QString TRegistryFile::DefaultPath()
{
    return ConfigFolder() + QStringLiteral("/registry.reg");
}

void TRegistryFile::SetBrokenFileReporter(TBrokenFileReporter reporter)
{
    ::SetBrokenFileReporter(std::move(reporter));
}

namespace {

// What identifies one version of a file: an atomic replacement gives a new inode, an edit in
// place a new size or modification time.
struct TFileStamp {
    dev_t Device = 0;
    ino_t Inode = 0;
    off_t Size = 0;
    std::int64_t ModifiedNs = 0;
    bool operator==(const TFileStamp&) const = default;
};

bool StampOf(const QString& path, TFileStamp& stamp)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return false;
    stamp = {st.st_dev, st.st_ino, st.st_size,
             std::int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
    return true;
}

// File times tick in steps of a few milliseconds, so two versions written within one step can
// share a stamp: only a file left alone for a while is trusted to be the one parsed before.
bool SettledStamp(const TFileStamp& stamp)
{
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    const std::int64_t nowNs = std::int64_t(now.tv_sec) * 1000000000 + now.tv_nsec;
    return nowNs - stamp.ModifiedNs > 100000000;
}

// The last parsed content of each registry file, so that reading ten settings one by one does
// not parse the file ten times. It is used only while the file's stamp is unchanged.
struct TParsedCache {
    std::mutex Lock;
    QHash<QString, std::pair<TFileStamp, TRegistryData>> Entries;
};

TParsedCache& ParsedCache()
{
    static TParsedCache cache;
    return cache;
}

} // namespace

TRegistryData TRegistryFile::ReadUnlocked() const
{
    // Taken before reading: a file replaced meanwhile gets a new stamp, so the next read parses
    // it again.
    TFileStamp stamp;
    if (!StampOf(FPath, stamp))
        return {};
    {
        TParsedCache& cache = ParsedCache();
        const std::lock_guard<std::mutex> guard(cache.Lock);
        const auto it = cache.Entries.constFind(FPath);
        if (it != cache.Entries.constEnd() && it->first == stamp && SettledStamp(stamp))
            return it->second;
    }
    QByteArray bytes;
    QString reason;
    switch (ReadSettingsFile(FPath, bytes, reason)) {
    case TSettingsRead::Missing:
        return {};
    case TSettingsRead::Failed:
        throw ERegistryException(QStringLiteral("Cannot read %1: %2").arg(FPath, reason));
    case TSettingsRead::Refused:
        if (SetBrokenFileAside(FPath, reason))
            return {};
        throw ERegistryException(QStringLiteral("Cannot read %1: %2").arg(FPath, reason));
    case TSettingsRead::Read:
        break;
    }
    try {
        TRegistryData data = TRegistryData::Parse(bytes);
        TParsedCache& cache = ParsedCache();
        const std::lock_guard<std::mutex> guard(cache.Lock);
        cache.Entries.insert(FPath, {stamp, data});
        return data;
    } catch (const ERegistryFormatError& e) {
        // Keep the damaged file for the user to look at; never write over it.
        if (SetBrokenFileAside(FPath, e.Message()))
            return {};
        throw ERegistryException(QStringLiteral("Cannot read %1: %2").arg(FPath, e.Message()));
    }
}

TRegistryData TRegistryFile::Read(int lockTimeoutMs) const
{
    // A lock held too long by another program is not waited out: a file is always whole.
    const TFileLock lock(FPath, true, lockTimeoutMs);
    return ReadUnlocked();
}

TRegistryData TRegistryFile::Modify(const std::function<bool(TRegistryData&)>& change) const
{
    const TFileLock lock(FPath, true);
    lock.RequireForWriting(FPath);
    TRegistryData data;
    try {
        data = ReadUnlocked();
    } catch (const ERegistryException& e) {
        throw EFileWriteError(QFileInfo(FPath).absoluteFilePath(), e.Message());
    }
    if (change(data)) {
        RemoveStaleTemporaryFiles(FPath);
        AtomicWriteFile(FPath, data.Serialize());
    }
    return data;
}

QString RegRootName(TRegRoot root)
{
    return RootNames().at(int(root));
}

TRegIniFile::TRegIniFile(const QString& key, bool readOnly, TRegRoot root, const QString& file)
    : FFile(file), FKey(key), FRootName(RegRootName(TRegRoot::CurrentUser)), FReadOnly(readOnly)
{
    auto open = [this](bool create) {
        QString path = FRootName;
        QString k = FKey;
        while (k.startsWith(QLatin1Char('\\')))
            k.remove(0, 1);
        if (!k.isEmpty())
            path += QLatin1Char('\\') + k;
        if (!ValidKeyPath(path)) {
            FOpenPath.clear();
            return;
        }
        if (create && !FReadOnly && FRootName == RegRootName(TRegRoot::CurrentUser)) {
            // Every write creates the key as well, and a failing one names it: a store opened
            // to be written costs no file access before its first write.
            FOpenPath = path;
            return;
        }
        try {
            bool exists = false;
            if (create) {
                FFile.Modify([&](TRegistryData& d) {
                    exists = true;
                    if (d.FindKey(path))
                        return false;
                    d.CreateKey(path);
                    return true;
                });
            } else {
                exists = FFile.Read().FindKey(path) != nullptr;
            }
            FOpenPath = exists ? path : QString();
        } catch (const std::exception&) {
            // A key that cannot be created is not open; reads give their defaults and writes
            // report the failure.
            FOpenPath.clear();
        }
    };
    // The system object opens (and creates) the key under HKEY_CURRENT_USER on creation, for a
    // read-only opening too; another root is chosen afterwards.
    open(true);
    if (root != TRegRoot::CurrentUser) {
        FRootName = RegRootName(root);
        open(!readOnly);
    }
}

QString TRegIniFile::SectionPath(const QString& section) const
{
    if (section.startsWith(QLatin1Char('\\')))
        return FRootName + section;
    if (FOpenPath.isEmpty())
        return QString();
    return section.isEmpty() ? FOpenPath : FOpenPath + QLatin1Char('\\') + section;
}

namespace {

// The program's text for a failed write, with the file's full path and the system's reason.
QString WithCause(const QString& text, const std::exception& e)
{
    if (const auto* w = dynamic_cast<const EFileWriteError*>(&e))
        return QStringLiteral("%1 (%2)").arg(text, w->Cause());
    return text;
}

} // namespace

const TRegistryData& TRegIniFile::Current(const QString& name, TRegistryData& fresh)
{
    try {
        if (FUpdates == 0) {
            fresh = FFile.Read();
            return fresh;
        }
        if (!FSession)
            FSession = FFile.Read();
        return *FSession;
    } catch (const std::exception&) {
        throw ERegistryException(QStringLiteral("Failed to get data for '%1'").arg(name));
    }
}

QString TRegIniFile::ReadString(const QString& section, const QString& name, const QString& def)
{
    const QString path = SectionPath(section);
    if (path.isEmpty())
        return def;
    TRegistryData fresh;
    const TRegValue* v = Current(name, fresh).FindValue(path, name);
    if (!v)
        return def;
    if (v->Type != REG_SZ && v->Type != REG_EXPAND_SZ)
        throw ERegistryException(QStringLiteral("Invalid data type for '%1'").arg(name));
    const qsizetype zero = v->Text.indexOf(QChar(0));
    return zero < 0 ? v->Text : v->Text.left(zero);
}

void TRegIniFile::Change(const std::function<void(TRegistryData&)>& apply,
                         const std::function<QString(const TRegistryData&)>& failText)
{
    if (FUpdates > 0) {
        if (FSession)
            apply(*FSession);
        FPending.append(TPending{apply, failText});
        return;
    }
    QString text;
    try {
        FFile.Modify([&](TRegistryData& d) {
            if (failText)
                text = failText(d);
            apply(d);
            return true;
        });
    } catch (const std::exception& e) {
        if (!failText)
            return; // as the system's key deletion in a profile object: not reported
        if (text.isEmpty()) {
            // The change never ran (the lock): the file as it is names the failure.
            try {
                text = failText(FFile.Read(0));
            } catch (const std::exception&) {
                text = failText(TRegistryData());
            }
        }
        throw ERegistryException(WithCause(text, e));
    }
}

void TRegIniFile::WriteString(const QString& section, const QString& name, const QString& value)
{
    const QString path = SectionPath(section);
    if (path.isEmpty() || !ValidKeyPath(path))
        throw ERegistryException(QStringLiteral("Failed to create key %1").arg(section));
    if (!ValidValueName(name))
        throw ERegistryException(QStringLiteral("Failed to set data for '%1'").arg(name));
    Change(
        [path, name, value](TRegistryData& d) {
            d.CreateKey(path);
            TRegValue v;
            v.Name = name;
            v.Type = REG_SZ;
            v.Text = value;
            d.SetValue(path, v);
        },
        [path, section, name](const TRegistryData& d) {
            return d.FindKey(path) ? QStringLiteral("Failed to set data for '%1'").arg(name)
                                   : QStringLiteral("Failed to create key %1").arg(section);
        });
}

int TRegIniFile::ReadInteger(const QString& section, const QString& name, int def)
{
    const QString s = ReadString(section, name, QString());
    bool ok = false;
    const int v = s.toInt(&ok, 10);
    return ok ? v : def;
}

void TRegIniFile::EraseSection(const QString& section)
{
    const QString path = SectionPath(section);
    if (path.isEmpty())
        return;
    Change([path](TRegistryData& d) { d.DeleteKey(path); }, {});
}

void TRegIniFile::BeginUpdate()
{
    ++FUpdates;
}

void TRegIniFile::EndUpdate()
{
    if (FUpdates == 0 || --FUpdates > 0)
        return;
    const QList<TPending> pending = std::exchange(FPending, {});
    FSession.reset();
    if (pending.isEmpty())
        return;
    // The first write that names its failure names the session's, as on the file read then.
    QString text;
    try {
        FFile.Modify([&](TRegistryData& d) {
            for (const TPending& p : pending) {
                if (text.isEmpty() && p.FailText)
                    text = p.FailText(d);
                p.Apply(d);
            }
            return true;
        });
    } catch (const std::exception& e) {
        for (const TPending& p : pending) {
            if (!text.isEmpty() || !p.FailText)
                continue;
            try {
                text = p.FailText(FFile.Read(0));
            } catch (const std::exception&) {
                text = p.FailText(TRegistryData());
            }
        }
        if (!text.isEmpty())
            throw ERegistryException(WithCause(text, e));
    }
}
