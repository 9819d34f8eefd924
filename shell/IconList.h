#pragma once
#include "framework/Events.h"

#include <QList>
#include <QObject>

class QIODevice;
class TIcon;

// An ordered list of owned icons (an entry may be empty), streamed as one binary property.
// Every change ends with Changed, which fires OnChange unless an update is in progress.
class TIconList : public QObject {
    Q_OBJECT
public:
    explicit TIconList(QObject* Parent = nullptr);
    ~TIconList() override;

    // From another list: a copy of each entry; from one icon: a list of its copy; from nothing:
    // empty. Anything else raises EConvertError.
    void Assign(const QObject* Source);
    void Changed();
    void BeginUpdate();
    void EndUpdate();

    // The icon at I (nullptr for an empty entry); out of range raises EListError.
    TIcon* Icons(int I) const;
    int Count() const { return int(FList.size()); }
    // The icon at I becomes a copy of Icon; I = Count appends.
    void SetIcons(int I, const TIcon* Icon);

    int Add(const TIcon* Icon);
    // Appends an icon read from an icon file (a path or a ":/..." resource).
    int AddResource(const QString& Name);
    void Clear();
    void Delete(int I);
    void Exchange(int I, int J);
    int IndexOf(const TIcon* Icon) const;
    void Insert(int I, const TIcon* Icon);
    void InsertResource(int I, const QString& Name);
    void Move(int From, int To);

    // Stream form: count, then per entry its size and icon-file bytes (size 0: empty entry),
    // 32-bit little-endian integers. Reading replaces the list only when all of it was read;
    // bad data raises EIconError and leaves the list as it was.
    void LoadFromStream(QIODevice& Stream);
    void SaveToStream(QIODevice& Stream) const;
    // The stored property "Icons" is written only when the list has an entry.
    bool HasStoredData() const { return Count() > 0; }

    TNotifyEvent OnChange;

private:
    void CheckIndex(int I) const;
    TIcon* NewIcon();
    void Replace(QList<TIcon*> Items);

    QList<TIcon*> FList;
    int FUpdateCount = 0;
};
