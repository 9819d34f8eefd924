#include "shell/PropsStorage.h"

#include <QApplication>
#include <QLocale>
#include <QRegularExpression>
#include <QStringList>
#include <QVariant>
#include <QWidget>

#include <algorithm>
#include <cstring>

namespace {
bool IsStringKind(TPropKind k)
{
    return k == TPropKind::String || k == TPropKind::LString || k == TPropKind::WChar;
}

// The ordinal of an enumeration or set property, read from the value's own bytes, so that any
// Q_ENUM / Q_FLAG type (scoped or not, any underlying size) is handled alike.
qint64 ReadOrdinal(const QVariant& v)
{
    const QMetaType t = v.metaType();
    qint64 r = 0;
    switch (t.sizeOf()) {
    case 1: {
        qint8 x;
        std::memcpy(&x, v.constData(), 1);
        r = x;
        break;
    }
    case 2: {
        qint16 x;
        std::memcpy(&x, v.constData(), 2);
        r = x;
        break;
    }
    case 4: {
        qint32 x;
        std::memcpy(&x, v.constData(), 4);
        r = x;
        break;
    }
    case 8:
        std::memcpy(&r, v.constData(), 8);
        break;
    default:
        break;
    }
    return r;
}

QVariant MakeOrdinal(QMetaType t, qint64 value)
{
    char buf[8] = {};
    switch (t.sizeOf()) {
    case 1: {
        const qint8 x = qint8(value);
        std::memcpy(buf, &x, 1);
        break;
    }
    case 2: {
        const qint16 x = qint16(value);
        std::memcpy(buf, &x, 2);
        break;
    }
    case 4: {
        const qint32 x = qint32(value);
        std::memcpy(buf, &x, 4);
        break;
    }
    case 8:
        std::memcpy(buf, &value, 8);
        break;
    default:
        return QVariant();
    }
    return QVariant(t, buf);
}

// The member identifiers of a set type, by ordinal (bit index 0..31).
QList<std::pair<int, QString>> SetMembers(const QMetaEnum& e)
{
    QList<std::pair<int, QString>> members;
    for (int i = 0; i < e.keyCount(); ++i) {
        const quint64 v = quint64(quint32(e.value(i)));
        if (v == 0 || (v & (v - 1)) != 0)
            continue; // combinations and the empty value are no members
        int bit = 0;
        while ((v >> bit) != 1)
            ++bit;
        members.append({bit, QString::fromLatin1(e.key(i))});
    }
    std::stable_sort(members.begin(), members.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    return members;
}

// The form (window) or topmost object that owns a component.
QObject* OwnerOf(const QObject* comp)
{
    QObject* p = comp->parent();
    while (p) {
        if (auto* w = qobject_cast<QWidget*>(p); w && w->isWindow())
            return p;
        if (!p->parent())
            return p;
        p = p->parent();
    }
    return nullptr;
}

bool IsOwnedBy(const QObject* obj, const QObject* owner)
{
    return obj && obj->parent() == owner;
}
} // namespace

TPropKind PropKind(const QMetaProperty& prop)
{
    if (prop.isFlagType())
        return TPropKind::Set;
    if (prop.isEnumType())
        return TPropKind::Enumeration;
    const QMetaType t = prop.metaType();
    switch (t.id()) {
    case QMetaType::Bool:
        return TPropKind::Enumeration;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::UChar:
        return TPropKind::Integer;
    case QMetaType::Char:
    case QMetaType::SChar:
        return TPropKind::Char;
    case QMetaType::QChar:
        return TPropKind::WChar;
    case QMetaType::Float:
    case QMetaType::Double:
        return TPropKind::Float;
    case QMetaType::QByteArray:
        return TPropKind::String;
    case QMetaType::QString:
        return TPropKind::LString;
    case QMetaType::QVariant:
        return TPropKind::Variant;
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return TPropKind::Int64;
    case QMetaType::QStringList:
        return TPropKind::StringList;
    default:
        break;
    }
    if (t.flags() & QMetaType::PointerToQObject)
        return TPropKind::Class;
    return TPropKind::Unknown;
}

QString TrimText(const QString& s)
{
    qsizetype b = 0, e = s.size();
    while (b < e && s[b].unicode() <= 32)
        ++b;
    while (e > b && s[e - 1].unicode() <= 32)
        --e;
    return s.mid(b, e - b);
}

QMetaProperty FindPublishedProperty(const QObject* obj, const QString& name)
{
    if (!obj || name.isEmpty())
        return {};
    const QMetaObject* mo = obj->metaObject();
    const int exact = mo->indexOfProperty(name.toLatin1().constData());
    if (exact >= 0)
        return mo->property(exact);
    for (int i = mo->propertyCount() - 1; i >= 0; --i) {
        const QMetaProperty p = mo->property(i);
        if (QString::fromLatin1(p.name()).compare(name, Qt::CaseInsensitive) == 0)
            return p;
    }
    return {};
}

bool SplitStoredProp(const QString& line, QString& component, QString& property)
{
    const qsizetype dot = line.indexOf(QLatin1Char('.'));
    if (dot < 0)
        return false;
    component = line.left(dot).trimmed();
    property = line.mid(dot + 1).trimmed();
    return !component.isEmpty() && !property.isEmpty();
}

void NormalizeStoredProps(TStoredPropLines& lines)
{
    for (qsizetype i = lines.size() - 1; i >= 0; --i) {
        QString comp, prop;
        if (!lines[i].Component || !SplitStoredProp(lines[i].Text, comp, prop)) {
            lines.removeAt(i);
            continue;
        }
        lines[i].Text = lines[i].Component->objectName() + QLatin1Char('.') + prop;
    }
}

QObject* FindComponent(const QObject* owner, const QString& name)
{
    if (!owner || name.isEmpty())
        return nullptr;
    for (QObject* c : owner->findChildren<QObject*>())
        if (c->objectName().compare(name, Qt::CaseInsensitive) == 0)
            return c;
    return nullptr;
}

QString TPropsStorage::ReadValue(const QString& ident, const QString& def)
{
    return OnReadString ? OnReadString(Section, ident, def) : QString();
}

void TPropsStorage::WriteValue(const QString& ident, const QString& value)
{
    if (OnWriteString)
        OnWriteString(Section, ident, value);
}

void TPropsStorage::ClearSection(const QString& section)
{
    if (OnEraseSection)
        OnEraseSection(section);
}

std::unique_ptr<TPropsStorage> TPropsStorage::CreateNested()
{
    auto nested = std::make_unique<TPropsStorage>();
    nested->OnReadString = OnReadString;
    nested->OnWriteString = OnWriteString;
    nested->OnEraseSection = OnEraseSection;
    nested->Section = Section;
    nested->ReferenceOwner = ReferenceOwner;
    return nested;
}

QString TPropsStorage::GetPropText(const QMetaProperty& prop)
{
    const QVariant v = prop.read(Target);
    switch (PropKind(prop)) {
    case TPropKind::Integer:
    case TPropKind::Int64:
        if (prop.metaType().id() == QMetaType::ULongLong)
            return QString::number(v.toULongLong());
        return QString::number(v.toLongLong());
    case TPropKind::Char:
        return QString(QChar::fromLatin1(char(ReadOrdinal(v))));
    case TPropKind::WChar:
        return QString(v.value<QChar>());
    case TPropKind::Enumeration:
        if (prop.metaType().id() == QMetaType::Bool)
            return v.toBool() ? QStringLiteral("True") : QStringLiteral("False");
        return QString::fromLatin1(prop.enumerator().valueToKey(int(ReadOrdinal(v))));
    case TPropKind::Float: {
        const int digits = prop.metaType().id() == QMetaType::Float ? 7 : 15;
        // Written with "." whatever the locale, so stored files move between locales.
        return QString::number(v.toDouble(), 'g', digits);
    }
    case TPropKind::String:
        return QString::fromUtf8(v.toByteArray());
    case TPropKind::LString:
        return v.toString();
    case TPropKind::Set: {
        const quint32 bits = quint32(ReadOrdinal(v));
        QStringList names;
        for (const auto& [bit, name] : SetMembers(prop.enumerator()))
            if (bits & (1u << bit))
                names << name;
        return QLatin1Char('[') + names.join(QLatin1Char(',')) + QLatin1Char(']');
    }
    case TPropKind::Variant:
        return v.value<QVariant>().toString();
    case TPropKind::Class: {
        QObject* obj = v.value<QObject*>();
        if (obj && !qobject_cast<TCollection*>(obj) && !IsOwnedBy(obj, Target))
            return StoreReference(obj);
        return QString();
    }
    default:
        return QString();
    }
}

void TPropsStorage::SetPropText(const QMetaProperty& prop, const QString& text)
{
    const QMetaType t = prop.metaType();
    switch (PropKind(prop)) {
    case TPropKind::Integer:
    case TPropKind::Int64: {
        bool ok = false;
        QVariant v;
        if (t.id() == QMetaType::ULongLong || t.id() == QMetaType::ULong) {
            v = text.toULongLong(&ok, 10);
        } else {
            const qlonglong n = text.toLongLong(&ok, 10);
            // A number the property's type cannot hold is no integer of its kind: "4294967301"
            // must not wrap around to 5 in a 32-bit property.
            QVariant narrowed(n);
            ok = ok && narrowed.convert(t) && narrowed.toLongLong() == n;
            v = n;
        }
        if (!ok)
            v = qlonglong(0);
        if (v.convert(t))
            prop.write(Target, v);
        break;
    }
    case TPropKind::Char:
        if (!text.isEmpty())
            prop.write(Target, MakeOrdinal(t, text[0].toLatin1()));
        break;
    case TPropKind::WChar:
        if (!text.isEmpty())
            prop.write(Target, QVariant::fromValue(text[0]));
        break;
    case TPropKind::Enumeration: {
        if (t.id() == QMetaType::Bool) {
            if (text.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
                prop.write(Target, false);
            else if (text.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
                prop.write(Target, true);
            break;
        }
        const QMetaEnum e = prop.enumerator();
        QList<std::pair<int, QString>> keys;
        for (int i = 0; i < e.keyCount(); ++i)
            keys.append({e.value(i), QString::fromLatin1(e.key(i))});
        std::stable_sort(keys.begin(), keys.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        for (const auto& [value, name] : keys) {
            if (name.compare(text, Qt::CaseInsensitive) == 0) {
                prop.write(Target, MakeOrdinal(t, value));
                break;
            }
        }
        break;
    }
    case TPropKind::Float: {
        const QLocale locale; // the default locale, which follows the system's
        QString s = text;
        s.replace(QLatin1Char('.'), locale.decimalPoint());
        bool ok = false;
        double d = locale.toDouble(s, &ok);
        if (!ok)
            d = QLocale::c().toDouble(text, &ok);
        if (ok) {
            QVariant v(d);
            if (v.convert(t))
                prop.write(Target, v);
        }
        break;
    }
    case TPropKind::String:
        prop.write(Target, text.toUtf8());
        break;
    case TPropKind::LString:
        prop.write(Target, text);
        break;
    case TPropKind::Set: {
        quint32 bits = 0;
        const auto members = SetMembers(prop.enumerator());
        static const QRegularExpression separators(QStringLiteral("[\\s,\\[\\]]+"));
        for (const QString& word : text.split(separators, Qt::SkipEmptyParts))
            for (const auto& [bit, name] : members)
                if (name.compare(word, Qt::CaseInsensitive) == 0)
                    bits |= 1u << bit;
        prop.write(Target, MakeOrdinal(t, qint32(bits)));
        break;
    }
    case TPropKind::Variant:
        prop.write(Target, QVariant::fromValue(QVariant(text)));
        break;
    case TPropKind::Class:
        LoadReference(prop, text);
        break;
    default:
        break;
    }
}

QString TPropsStorage::StoreReference(QObject* comp) const
{
    QObject* owner = OwnerOf(comp);
    if (!owner || owner == ReferenceOwner)
        return comp->objectName();
    QString ownerName = owner->objectName();
    if (ownerName.isEmpty()) {
        ownerName = QString::fromLatin1(owner->metaObject()->className());
        if (ownerName.startsWith(QLatin1Char('T')))
            ownerName.remove(0, 1);
    }
    return ownerName + QLatin1Char('.') + comp->objectName();
}

void TPropsStorage::LoadReference(const QMetaProperty& prop, const QString& text)
{
    if (text.isEmpty())
        return;
    const QMetaType t = prop.metaType();
    QObject* found = nullptr;
    if (text.compare(QLatin1String("(null)"), Qt::CaseInsensitive) != 0) {
        QObject* owner = ReferenceOwner;
        QString name = text;
        if (const qsizetype dot = text.indexOf(QLatin1Char('.')); dot >= 0) {
            const QString ownerName = text.left(dot);
            name = text.mid(dot + 1);
            owner = nullptr;
            for (QWidget* w : QApplication::topLevelWidgets())
                if (w->objectName().compare(ownerName, Qt::CaseInsensitive) == 0)
                    owner = w;
        }
        found = FindComponent(owner, name);
        // A component of another class than the property's cannot be set; leave it as it is.
        if (found && t.metaObject() && !found->metaObject()->inherits(t.metaObject()))
            return;
    }
    prop.write(Target, QVariant(t, &found));
}

void TPropsStorage::StoreNested(const QMetaProperty& prop, QObject* obj)
{
    auto nested = CreateNested();
    nested->Target = obj;
    nested->Prefix = Prefix + QString::fromLatin1(prop.name());
    nested->SaveProperties();
}

void TPropsStorage::LoadNested(const QMetaProperty& prop, QObject* obj)
{
    auto nested = CreateNested();
    nested->Target = obj;
    nested->Prefix = Prefix + QString::fromLatin1(prop.name());
    nested->LoadProperties();
}

QString TPropsStorage::StoreStringList(const QMetaProperty& prop)
{
    const QStringList list = prop.read(Target).toStringList();
    auto nested = CreateNested();
    nested->Section = Section + QLatin1Char('.') + ValueName(QString::fromLatin1(prop.name()));
    nested->ClearSection(nested->Section);
    if (!list.isEmpty()) {
        nested->WriteValue(QStringLiteral("Count"), QString::number(list.size()));
        for (qsizetype i = 0; i < list.size(); ++i)
            nested->WriteValue(QStringLiteral("Item%1").arg(i), list[i]);
    }
    return QString();
}

void TPropsStorage::LoadStringList(const QMetaProperty& prop)
{
    auto nested = CreateNested();
    nested->Section = Section + QLatin1Char('.') + ValueName(QString::fromLatin1(prop.name()));
    bool ok = false;
    const int count = nested->ReadValue(QStringLiteral("Count"), QStringLiteral("0")).toInt(&ok);
    if (!ok || count <= 0)
        return;
    QStringList list;
    for (int i = 0; i < count; ++i)
        list << nested->ReadValue(QStringLiteral("Item%1").arg(i), QString());
    prop.write(Target, list);
}

QString TPropsStorage::StoreCollection(const QMetaProperty& prop, TCollection* coll)
{
    const QString name = ValueName(QString::fromLatin1(prop.name()));
    WriteValue(name + QStringLiteral(".Count"), QString::number(coll->Count()));
    auto nested = CreateNested();
    nested->Section = Section + QLatin1Char('.') + name;
    nested->ClearSection(nested->Section);
    for (int i = 0; i < coll->Count(); ++i) {
        nested->Target = coll->Item(i);
        nested->Prefix = QStringLiteral("Item%1_").arg(i);
        nested->SaveProperties();
    }
    return QString();
}

void TPropsStorage::LoadCollection(const QMetaProperty& prop, TCollection* coll)
{
    const QString name = ValueName(QString::fromLatin1(prop.name()));
    bool ok = false;
    int count =
        ReadValue(name + QStringLiteral(".Count"), QString::number(coll->Count())).toInt(&ok);
    if (!ok)
        count = coll->Count();
    coll->BeginUpdate();
    try {
        if (count != coll->Count()) {
            coll->Clear();
            for (int i = 0; i < count; ++i)
                coll->Add();
        }
        auto nested = CreateNested();
        nested->Section = Section + QLatin1Char('.') + name;
        for (int i = 0; i < coll->Count(); ++i) {
            nested->Target = coll->Item(i);
            nested->Prefix = QStringLiteral("Item%1_").arg(i);
            nested->LoadProperties();
        }
    } catch (...) {
        coll->EndUpdate();
        throw;
    }
    coll->EndUpdate();
}

void TPropsStorage::SaveProperty(const QMetaProperty& prop)
{
    if (!Target || !prop.isValid() || !prop.isReadable())
        return;
    const TPropKind kind = PropKind(prop);
    if (kind == TPropKind::Unknown)
        return;
    QString text;
    if (kind == TPropKind::StringList) {
        text = StoreStringList(prop);
    } else if (kind == TPropKind::Class) {
        QObject* obj = prop.read(Target).value<QObject*>();
        if (!obj)
            return;
        if (auto* coll = qobject_cast<TCollection*>(obj))
            StoreCollection(prop, coll);
        else if (IsOwnedBy(obj, Target))
            StoreNested(prop, obj);
        else
            text = StoreReference(obj);
    } else {
        text = GetPropText(prop);
    }
    if (text.isEmpty() && !IsStringKind(kind))
        return;
    WriteValue(ValueName(QString::fromLatin1(prop.name())), TrimText(text));
}

void TPropsStorage::LoadProperty(const QMetaProperty& prop)
{
    if (!Target || !prop.isValid())
        return;
    try {
        const TPropKind kind = PropKind(prop);
        if (kind == TPropKind::Unknown)
            return;
        if (kind == TPropKind::StringList) {
            LoadStringList(prop);
            return;
        }
        if (kind == TPropKind::Class) {
            QObject* obj = prop.read(Target).value<QObject*>();
            if (auto* coll = qobject_cast<TCollection*>(obj)) {
                LoadCollection(prop, coll);
                return;
            }
            if (obj && IsOwnedBy(obj, Target)) {
                LoadNested(prop, obj);
                return;
            }
            if (!prop.isWritable())
                return;
            SetPropText(prop, TrimText(ReadValue(ValueName(QString::fromLatin1(prop.name())), {})));
            return;
        }
        if (!prop.isWritable())
            return;
        const QString def = GetPropText(prop);
        QString text;
        // An unassigned variant is read too: otherwise a value stored from it could never be
        // loaded back into a fresh object (a collection item, say).
        if (!def.isEmpty() || IsStringKind(kind) || kind == TPropKind::Variant)
            text = TrimText(ReadValue(ValueName(QString::fromLatin1(prop.name())), def));
        SetPropText(prop, text);
    } catch (...) {
        // Loading never fails: a value that cannot be read or applied leaves its property.
    }
}

void TPropsStorage::SaveProperties()
{
    if (!Target)
        return;
    const QMetaObject* mo = Target->metaObject();
    for (int i = QObject::staticMetaObject.propertyCount(); i < mo->propertyCount(); ++i)
        SaveProperty(mo->property(i));
}

void TPropsStorage::LoadProperties()
{
    if (!Target)
        return;
    const QMetaObject* mo = Target->metaObject();
    for (int i = QObject::staticMetaObject.propertyCount(); i < mo->propertyCount(); ++i)
        LoadProperty(mo->property(i));
}

void TPropsStorage::ForEachListed(QObject* form, TStoredPropLines& lines,
                                  void (TPropsStorage::*apply)(const QMetaProperty&))
{
    NormalizeStoredProps(lines);
    ReferenceOwner = form;
    for (const TStoredPropLine& line : lines) {
        QString comp, propName;
        if (!line.Component || !SplitStoredProp(line.Text, comp, propName))
            continue;
        const QMetaProperty prop = FindPublishedProperty(line.Component, propName);
        if (!prop.isValid())
            continue;
        Target = line.Component;
        Prefix = line.Component->objectName() + QLatin1Char('_');
        (this->*apply)(prop);
    }
}

void TPropsStorage::SaveListedProperties(QObject* form, TStoredPropLines& lines)
{
    ForEachListed(form, lines, &TPropsStorage::SaveProperty);
}

void TPropsStorage::LoadListedProperties(QObject* form, TStoredPropLines& lines)
{
    ForEachListed(form, lines, &TPropsStorage::LoadProperty);
}
