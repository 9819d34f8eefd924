#pragma once
#include "framework/CustomIniFile.h"
#include "framework/Exception.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <optional>

// The registry of the program: keys and typed values kept in one file in the text format of
// registry export files ("Windows Registry Editor Version 5.00", UTF-8), by default
// ConfigFolder()/registry.reg. Key paths start with the root's name (HKEY_CURRENT_USER\...).
// Key and value names compare without regard to case and keep the case of their creation.

// Value types, numbered as the system's registry numbers them.
enum : uint32_t {
    REG_NONE = 0,
    REG_SZ = 1,
    REG_EXPAND_SZ = 2,
    REG_BINARY = 3,
    REG_DWORD = 4,
    REG_MULTI_SZ = 7,
    REG_QWORD = 11,
};

// Failures of registry operations ("Failed to create key %s", "Invalid data type for '%s'"...).
class ERegistryException : public Exception {
public:
    using Exception::Exception;
};

// A registry file whose text cannot be understood: the line (from 1) and what is wrong.
class ERegistryFormatError : public Exception {
public:
    ERegistryFormatError(int line, const QString& reason);
    int Line() const { return FLine; }

private:
    int FLine;
};

struct TRegValue {
    QString Name; // empty: the key's default value ("@")
    uint32_t Type = REG_SZ;
    QString Text; // REG_SZ, REG_EXPAND_SZ
    uint32_t Dword = 0;
    QByteArray Raw; // every other type: the data bytes
    bool operator==(const TRegValue&) const = default;
};

struct TRegKey {
    QString Path; // full path from the root name, e.g. HKEY_CURRENT_USER\Software\ZmPing2
    QList<TRegValue> Values;
    bool operator==(const TRegKey&) const = default;
};

// The whole content of a registry file, in memory.
class TRegistryData {
public:
    // Parses the text of a registry file; raises ERegistryFormatError for anything it does not
    // understand (so that a damaged file is never silently rewritten with part of its content).
    static TRegistryData Parse(const QByteArray& text);
    QByteArray Serialize() const;

    const QList<TRegKey>& Keys() const { return FKeys; }
    TRegKey* FindKey(const QString& path);
    const TRegKey* FindKey(const QString& path) const;
    // Creates the key and every missing key above it; gives the key.
    TRegKey& CreateKey(const QString& path);
    // Deletes the key and everything below it. Returns false when it did not exist.
    bool DeleteKey(const QString& path);
    // The names of the direct subkeys of path.
    QStringList SubKeys(const QString& path) const;
    const TRegValue* FindValue(const QString& path, const QString& name) const;
    // Sets (or adds) a value of an existing key. Returns false when the key does not exist.
    bool SetValue(const QString& path, const TRegValue& value);
    bool DeleteValue(const QString& path, const QString& name);
    bool operator==(const TRegistryData& other) const { return FKeys == other.FKeys; }

private:
    void Reindex();
    QList<TRegKey> FKeys;
    // Key positions by case-folded path, so that large files load in linear time.
    QHash<QString, qsizetype> FIndex;
};

// The registry file on disk: reads under the lock, changes under the lock with a fresh read, the
// change, and an atomic replacement of the file. A lock that another program keeps for more
// than a second fails a change and is not waited for by a read.
//
// A file that cannot be parsed, that is no regular file or that is larger than
// MaxSettingsFileSize is renamed aside to "<name>.broken-<timestamp>" (never overwritten),
// reported once through the broken-file reporter (BrokenFile.h), and the registry reads as
// empty so that the program goes on with its defaults.
class TRegistryFile {
public:
    explicit TRegistryFile(QString path = DefaultPath());
    // ConfigFolder()/registry.reg
    static QString DefaultPath();
    const QString& Path() const { return FPath; }

    // lockTimeoutMs: how long to wait for a lock held elsewhere before reading without it.
    TRegistryData Read(int lockTimeoutMs = 1000) const;
    // Applies change to the current content and writes the result if change returns true; gives
    // the content after the change. Raises EFileWriteError when the file cannot be written (the
    // file stays as it was).
    TRegistryData Modify(const std::function<bool(TRegistryData&)>& change) const;

    // Where a broken file is reported: SetBrokenFileReporter of BrokenFile.h.
    using TBrokenFileReporter = std::function<void(const QString& message)>;
    static void SetBrokenFileReporter(TBrokenFileReporter reporter);

private:
    TRegistryData ReadUnlocked() const;
    QString FPath;
};

// The registry roots a storage can choose.
enum class TRegRoot { CurrentUser, LocalMachine, CurrentConfig, ClassesRoot, Users, DynData };
QString RegRootName(TRegRoot root); // "HKEY_CURRENT_USER" ...

// A registry key seen as a profile: sections are subkeys of the key, values are texts. The key
// is opened (created when missing, also for a read-only object under HKEY_CURRENT_USER) when the
// object is made; failing to create it is silent, and reads then give their defaults. A failed
// write names the program's error, then the file's full path and the system's reason.
class TRegIniFile : public TCustomIniFile {
public:
    TRegIniFile(const QString& key, bool readOnly, TRegRoot root = TRegRoot::CurrentUser,
                const QString& file = TRegistryFile::DefaultPath());

    QString FileName() const override { return FKey; }
    // The full path of the open key (empty when it could not be opened).
    QString CurrentPath() const { return FOpenPath; }
    bool ReadOnly() const { return FReadOnly; }

    // Missing key or value: def. A value of data size 0: empty text. A type other than REG_SZ
    // and REG_EXPAND_SZ: "Invalid data type for '%s'".
    QString ReadString(const QString& section, const QString& name, const QString& def) override;
    // Always a REG_SZ value. "Failed to create key %s" / "Failed to set data for '%s'".
    void WriteString(const QString& section, const QString& name, const QString& value) override;
    // The text read as a decimal integer; anything else gives def.
    int ReadInteger(const QString& section, const QString& name, int def) override;
    void EraseSection(const QString& section) override;
    void BeginUpdate() override;
    void EndUpdate() override;

private:
    QString SectionPath(const QString& section) const;
    // The content reads look at: the session's, or the file as it is now (read into fresh).
    // Raises "Failed to get data for '<name>'".
    const TRegistryData& Current(const QString& name, TRegistryData& fresh);
    // One change: at once, or collected for EndUpdate. failText names a failure of the write.
    void Change(const std::function<void(TRegistryData&)>& apply,
                const std::function<QString(const TRegistryData&)>& failText);
    struct TPending {
        std::function<void(TRegistryData&)> Apply;
        std::function<QString(const TRegistryData&)> FailText; // null: failures go unnamed
    };
    int FUpdates = 0;
    std::optional<TRegistryData> FSession; // read when the session's first read needs it
    QList<TPending> FPending;
    TRegistryFile FFile;
    QString FKey;
    QString FRootName;
    QString FOpenPath;
    bool FReadOnly;
};
