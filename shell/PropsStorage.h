#pragma once
// TPropsStorage: turns the published properties (Q_PROPERTY) of one object into texts and back,
// and reads and writes the texts through callbacks. It knows nothing of registry keys or
// profile files.
//
// Property kinds on Qt's meta-object system:
//   Integer         int, uint, short, ushort, long, ulong, unsigned char ("Byte")
//   Character       char, signed char
//   Wide character  QChar
//   Enumeration     Q_ENUM types (identifiers in declaration order); bool with False, True
//   Floating point  float (7 significant digits), double (15)
//   Short string    QByteArray
//   Long string     QString
//   Set             Q_FLAG types: members are the single-bit flags, the ordinal is the bit
//   Variant         QVariant
//   64-bit integer  qlonglong, qulonglong
//   Object          a QObject-derived pointer; by the object held:
//                   - a TCollection: a collection of items
//                   - a child of the object that holds the property: a nested object (owned)
//                   - any other object: a component reference
//   String list     QStringList (the object kind "string list")
// Properties of other types are skipped. Events are std::function members, never properties.
#include <QList>
#include <QMetaProperty>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>

// A list of objects that the converter stores as a count and the properties of each item.
class TCollection : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    virtual int Count() const = 0;
    virtual QObject* Item(int index) const = 0;
    virtual QObject* Add() = 0;
    virtual void Clear() = 0;
    // Change notifications are held back between these two calls.
    virtual void BeginUpdate() {}
    virtual void EndUpdate() {}
};

enum class TPropKind {
    Unknown,
    Integer,
    Char,
    Enumeration,
    Float,
    String,
    Set,
    Class,
    WChar,
    LString,
    Variant,
    Int64,
    StringList // a string list object (stored apart from other objects)
};
TPropKind PropKind(const QMetaProperty& prop);

// Removes leading and trailing characters whose code is 32 or less.
QString TrimText(const QString& s);

// The published property of obj named name: the exact spelling first, else the first match
// without regard to case searching from the most derived class down (so "checked" finds
// TCheckBox's "Checked" before QAbstractButton's "checked" only when spelled exactly).
// Invalid when none.
QMetaProperty FindPublishedProperty(const QObject* obj, const QString& name);

// One line of a storage's StoredProps: "Component.Property" and the component once resolved.
struct TStoredPropLine {
    QString Text;
    QPointer<QObject> Component;
};
using TStoredPropLines = QList<TStoredPropLine>;

// Splits a line at its first "." into trimmed component and property names; false when there
// is no "." or a part is empty.
bool SplitStoredProp(const QString& line, QString& component, QString& property);
// Rewrites each line with an attached component as "<component's name>.<property>", deleting
// lines without a component or that cannot be split (walked from last to first).
void NormalizeStoredProps(TStoredPropLines& lines);
// The component named name (without regard to case) among the descendants of owner.
QObject* FindComponent(const QObject* owner, const QString& name);

class TPropsStorage {
public:
    using TReadStrEvent =
        std::function<QString(const QString& section, const QString& name, const QString& def)>;
    using TWriteStrEvent =
        std::function<void(const QString& section, const QString& name, const QString& value)>;
    using TEraseSectEvent = std::function<void(const QString& section)>;

    TPropsStorage() = default;
    virtual ~TPropsStorage() = default;

    QObject* Target = nullptr;
    QString Prefix;
    QString Section;
    QObject* ReferenceOwner = nullptr;
    TReadStrEvent OnReadString;
    TWriteStrEvent OnWriteString;
    TEraseSectEvent OnEraseSection;

    // One published property of Target. Saving raises what the write callback raises; loading
    // never raises (an error is discarded).
    void SaveProperty(const QMetaProperty& prop);
    void LoadProperty(const QMetaProperty& prop);
    // Every published property of Target (except QObject's objectName).
    void SaveProperties();
    void LoadProperties();
    // One pass over StoredProps lines with Target, Prefix and ReferenceOwner set per line.
    void SaveListedProperties(QObject* form, TStoredPropLines& lines);
    void LoadListedProperties(QObject* form, TStoredPropLines& lines);

    // The text forms, exposed for the storage's stored values and for tests.
    QString GetPropText(const QMetaProperty& prop);
    void SetPropText(const QMetaProperty& prop, const QString& text);

protected:
    virtual QString ReadValue(const QString& ident, const QString& def);
    virtual void WriteValue(const QString& ident, const QString& value);
    virtual void ClearSection(const QString& section);
    virtual QString ValueName(const QString& propName) const { return Prefix + propName; }
    virtual std::unique_ptr<TPropsStorage> CreateNested();

private:
    void ForEachListed(QObject* form, TStoredPropLines& lines,
                       void (TPropsStorage::*apply)(const QMetaProperty&));
    QString StoreStringList(const QMetaProperty& prop);
    void LoadStringList(const QMetaProperty& prop);
    QString StoreCollection(const QMetaProperty& prop, TCollection* coll);
    void LoadCollection(const QMetaProperty& prop, TCollection* coll);
    QString StoreReference(QObject* comp) const;
    void LoadReference(const QMetaProperty& prop, const QString& text);
    void StoreNested(const QMetaProperty& prop, QObject* obj);
    void LoadNested(const QMetaProperty& prop, QObject* obj);
};
