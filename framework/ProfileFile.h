#pragma once
#include "framework/CustomIniFile.h"
#include "framework/Exception.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

// Profile (INI) files with the semantics of the system profile functions: sections "[name]"
// and lines "name=value"; section and value names compare without regard to case; a read value
// loses its surrounding blanks and one pair of enclosing quotes (double or single); reads go
// through a buffer of 2048 bytes, so a longer value is cut to 2047 bytes. Lines the reader does
// not understand are kept as they are when the file is rewritten.

// "Unable to write to %s"
class EIniFileException : public Exception {
public:
    using Exception::Exception;
};

constexpr int ProfileBufferSize = 2048;

// Where a profile file lies: a name without a directory lies in ConfigFolder().
QString ProfilePath(const QString& fileName);

// The reader and writer on the file's text (used by the file functions below and fuzzed alone).
// Gives the value of name in section, or nullopt when the section or name is missing.
std::optional<QString> ProfileLookup(const QByteArray& content, const QString& section,
                                     const QString& name, int bufferSize = ProfileBufferSize);
// The text after writing: name null deletes the section, value null deletes the name.
QByteArray ProfileWrite(const QByteArray& content, const QString& section,
                        const std::optional<QString>& name, const std::optional<QString>& value);

// GetPrivateProfileString: def when the section or name is missing (also cut to the buffer).
QString GetPrivateProfileString(const QString& section, const QString& name, const QString& def,
                                const QString& fileName, int bufferSize = ProfileBufferSize);
// WritePrivateProfileString: returns false when the file cannot be written (it is then left as
// it was). The file is replaced atomically under an advisory lock.
bool WritePrivateProfileString(const QString& section, const std::optional<QString>& name,
                               const std::optional<QString>& value, const QString& fileName);

// One write of a profile file: name null deletes the section, value null deletes the name.
struct TProfileEdit {
    QString Section;
    std::optional<QString> Name, Value;
};

// A profile file as the settings storage's profile object. Writing failures raise
// EIniFileException("Unable to write to <file name>"), followed by the file's full path and the
// system's reason when the file itself failed. A file that is no regular file or larger than
// MaxSettingsFileSize is set aside as broken (BrokenFile.h) and reads as empty.
class TIniFile : public TCustomIniFile {
public:
    explicit TIniFile(const QString& fileName);
    ~TIniFile() override;
    QString FileName() const override { return FFileName; }
    QString ReadString(const QString& section, const QString& name, const QString& def) override;
    void WriteString(const QString& section, const QString& name, const QString& value) override;
    // A text longer than two characters starting with "0x" or "0X" is hexadecimal; otherwise
    // decimal; anything else gives def.
    int ReadInteger(const QString& section, const QString& name, int def) override;
    void EraseSection(const QString& section) override;
    void BeginUpdate() override;
    void EndUpdate() override;
    // Nothing is cached outside a session: every write already reached the disk.
    void UpdateFile() {}

private:
    void Edit(const QString& section, const std::optional<QString>& name,
              const std::optional<QString>& value);
    QString FFileName;
    int FUpdates = 0;
    std::optional<QByteArray> FSession; // the file as read by the session's first read
    QList<TProfileEdit> FPending;
};
