#pragma once
#include <QString>

// The profile object the settings storage works through: sections holding named texts. Two
// implementations: TRegIniFile (a registry key, RegistryFile.h) and TIniFile (a profile file,
// ProfileFile.h). Every operation raises an Exception subclass with the store's message text.
class TCustomIniFile {
public:
    virtual ~TCustomIniFile() = default;
    // The store's name: the registry key path or the profile file name as given.
    virtual QString FileName() const = 0;
    virtual QString ReadString(const QString& section, const QString& name, const QString& def) = 0;
    virtual void WriteString(const QString& section, const QString& name, const QString& value) = 0;
    virtual int ReadInteger(const QString& section, const QString& name, int def) = 0;
    virtual void WriteInteger(const QString& section, const QString& name, int value)
    {
        WriteString(section, name, QString::number(value));
    }
    virtual void WriteBool(const QString& section, const QString& name, bool value)
    {
        WriteString(section, name, value ? QStringLiteral("1") : QStringLiteral("0"));
    }
    // Deletes the section with everything in it.
    virtual void EraseSection(const QString& section) = 0;

    // An update session, for a whole load or save: the file is read at most once, reads are
    // served from that reading, and the writes are collected and reach the file together at
    // EndUpdate: one lock, one replacement, applied to the file as it is then. EndUpdate raises
    // what the first failing write would have raised; nothing of the session is written then.
    // Outside a session every read looks at the file and every write replaces it.
    virtual void BeginUpdate() = 0;
    virtual void EndUpdate() = 0;
};
