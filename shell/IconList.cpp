#include "shell/IconList.h"

#include "framework/Exception.h"
#include "shell/Icon.h"
#include "shell/IconFile.h"

#include <QIODevice>
#include <QtEndian>
#include <memory>
#include <vector>

namespace {

// Icon files larger than this are refused as corrupt (the largest plain icon image, 256 x 256 at
// 32 bits per pixel with its mask, takes about 270 KB).
constexpr qint32 MaxEntrySize = 16 * 1024 * 1024;

QByteArray ReadExactly(QIODevice& Stream, qint64 Size)
{
    // Read in pieces so a corrupt size never allocates more than the stream holds.
    QByteArray data;
    while (data.size() < Size) {
        QByteArray piece = Stream.read(std::min<qint64>(Size - data.size(), 64 * 1024));
        if (piece.isEmpty())
            throw EIconError(QStringLiteral("Icon list data is truncated"));
        data.append(piece);
    }
    return data;
}

qint32 ReadInt(QIODevice& Stream)
{
    return qFromLittleEndian<qint32>(ReadExactly(Stream, 4).constData());
}

void WriteInt(QIODevice& Stream, qint32 Value)
{
    char b[4];
    qToLittleEndian(Value, b);
    if (Stream.write(b, 4) != 4)
        throw EIconError(
            QStringLiteral("Cannot write icon list data: %1").arg(Stream.errorString()));
}

} // namespace

TIconList::TIconList(QObject* Parent) : QObject(Parent) {}

TIconList::~TIconList()
{
    OnChange = nullptr;
    qDeleteAll(FList);
}

void TIconList::Assign(const QObject* Source)
{
    if (Source == this)
        return;
    QList<TIcon*> items;
    // Copy first, so that a refused source leaves the list untouched.
    try {
        if (auto* list = qobject_cast<const TIconList*>(Source)) {
            for (TIcon* icon : list->FList) {
                TIcon* copy = nullptr;
                if (icon) {
                    copy = NewIcon();
                    items.append(copy);
                    copy->Assign(icon);
                } else {
                    items.append(nullptr);
                }
            }
        } else if (auto* icon = qobject_cast<const TIcon*>(Source)) {
            items.append(NewIcon());
            items.back()->Assign(icon);
        } else if (Source) {
            throw EConvertError(QStringLiteral("Cannot assign a %1 to a %2")
                                    .arg(QLatin1String(Source->metaObject()->className()),
                                         QLatin1String(metaObject()->className())));
        }
    } catch (...) {
        qDeleteAll(items);
        throw;
    }
    Replace(std::move(items));
}

void TIconList::Replace(QList<TIcon*> Items)
{
    BeginUpdate();
    Clear();
    FList = std::move(Items);
    for (TIcon* icon : FList)
        if (icon)
            icon->OnChange = [this](QObject*) { Changed(); };
    Changed();
    EndUpdate();
}

void TIconList::Changed()
{
    if (FUpdateCount == 0)
        Fire(OnChange, this);
}

void TIconList::BeginUpdate()
{
    ++FUpdateCount;
}

void TIconList::EndUpdate()
{
    if (FUpdateCount > 0 && --FUpdateCount == 0)
        Changed();
}

void TIconList::CheckIndex(int I) const
{
    if (I < 0 || I >= Count())
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(I));
}

TIcon* TIconList::NewIcon()
{
    // The list owns its icons itself; no parent, so nothing else deletes them.
    return new TIcon();
}

TIcon* TIconList::Icons(int I) const
{
    CheckIndex(I);
    return FList[I];
}

void TIconList::SetIcons(int I, const TIcon* Icon)
{
    if (I == Count()) {
        Insert(I, Icon);
        return;
    }
    CheckIndex(I);
    BeginUpdate();
    if (!FList[I]) {
        FList[I] = NewIcon();
        FList[I]->OnChange = [this](QObject*) { Changed(); };
    }
    try {
        FList[I]->Assign(Icon);
    } catch (...) {
        EndUpdate();
        throw;
    }
    Changed();
    EndUpdate();
}

int TIconList::Add(const TIcon* Icon)
{
    Insert(Count(), Icon);
    return Count() - 1;
}

int TIconList::AddResource(const QString& Name)
{
    InsertResource(Count(), Name);
    return Count() - 1;
}

void TIconList::Clear()
{
    BeginUpdate();
    while (!FList.isEmpty())
        Delete(Count() - 1);
    EndUpdate();
}

void TIconList::Delete(int I)
{
    CheckIndex(I);
    TIcon* icon = FList.takeAt(I);
    delete icon;
    Changed();
}

void TIconList::Exchange(int I, int J)
{
    CheckIndex(I);
    CheckIndex(J);
    FList.swapItemsAt(I, J);
    Changed();
}

int TIconList::IndexOf(const TIcon* Icon) const
{
    return int(FList.indexOf(const_cast<TIcon*>(Icon)));
}

void TIconList::Insert(int I, const TIcon* Icon)
{
    if (I != Count())
        CheckIndex(I);
    std::unique_ptr<TIcon> copy(NewIcon());
    copy->Assign(Icon);
    copy->OnChange = [this](QObject*) { Changed(); };
    FList.insert(I, copy.release());
    Changed();
}

void TIconList::InsertResource(int I, const QString& Name)
{
    if (I != Count())
        CheckIndex(I);
    std::unique_ptr<TIcon> icon(NewIcon());
    icon->LoadFromFile(Name);
    icon->OnChange = [this](QObject*) { Changed(); };
    FList.insert(I, icon.release());
    Changed();
}

void TIconList::Move(int From, int To)
{
    if (From == To)
        return;
    CheckIndex(From);
    CheckIndex(To);
    FList.move(From, To);
    Changed();
}

void TIconList::LoadFromStream(QIODevice& Stream)
{
    std::vector<std::unique_ptr<TIcon>> read;
    const qint32 count = ReadInt(Stream);
    if (count < 0)
        throw EIconError(QStringLiteral("Icon list count %1 is not valid").arg(count));
    for (qint32 i = 0; i < count; ++i) {
        const qint32 size = ReadInt(Stream);
        if (size <= 0) {
            read.emplace_back();
            continue;
        }
        if (size > MaxEntrySize)
            throw EIconError(
                QStringLiteral("Icon list entry %1 is too large (%2 bytes)").arg(i).arg(size));
        auto icon = std::make_unique<TIcon>();
        icon->LoadFromData(ReadExactly(Stream, size));
        read.push_back(std::move(icon));
    }
    QList<TIcon*> items;
    for (auto& icon : read)
        items.append(icon.release());
    Replace(std::move(items));
}

void TIconList::SaveToStream(QIODevice& Stream) const
{
    WriteInt(Stream, Count());
    for (TIcon* icon : FList) {
        const QByteArray data = icon ? icon->SaveToData() : QByteArray();
        WriteInt(Stream, qint32(data.size()));
        if (!data.isEmpty() && Stream.write(data) != data.size())
            throw EIconError(
                QStringLiteral("Cannot write icon list data: %1").arg(Stream.errorString()));
    }
}
