#pragma once
// Settings and window-placement storage of a form.
//
// TFormPlacement stores where and how its owner form was shown, in a registry key (UseRegistry)
// or a profile file, and ties loading and saving to the form: it loads before every show, saves
// at every close request that is allowed, and saves once more at destruction when nothing was
// saved since the last load. TFormStorage adds StoredProps ("Component.Property" lines) and
// StoredValues. Store errors are shown through the application's error display (ShowException)
// and never stop a show or a close.
//
// Wiring in a form's constructor, after its controls exist:
//   auto* FormStorage1 = new TFormStorage(this);       // owner: the form; object name set
//   FormStorage1->SetUseRegistry(true);
//   FormStorage1->SetOptions({});
//   FormStorage1->SetStoredProps({"CheckBoxPing.Checked", "SpinEdit1.Value", ...});
//   FormStorage1->Loaded();   // resolves StoredProps and hooks show/close/destroy of the form
//   FormStorage1->LoadFromStore();                    // e.g. from the form's FormCreate
// and, first thing in the form's destructor (while its controls still exist):
//   FormStorage1->FormDestroyHook();
// (If the form does not call it, the storage runs it when the application is about to quit,
// and else when it is itself destroyed, saving the lines whose components still exist.)
//
// A form whose show and close handling is special (one that hides instead of closing, or is
// shown again when its window flags change) may skip Loaded() and call FormShowHook() at each
// new showing before its own show handling, FormCloseQueryHook(true) at each close request,
// and FormDestroyHook() in its destructor.
#include "framework/CustomIniFile.h"
#include "framework/Events.h"
#include "framework/RegistryFile.h"
#include "shell/PropsStorage.h"

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <memory>

class QWidget;

// Size limits of the owner window; 0 in a field means "the system's value".
class TWinMinMaxInfo : public QObject {
    Q_OBJECT
    Q_PROPERTY(int MaxPosLeft READ MaxPosLeft WRITE SetMaxPosLeft)
    Q_PROPERTY(int MaxPosTop READ MaxPosTop WRITE SetMaxPosTop)
    Q_PROPERTY(int MaxSizeHeight READ MaxSizeHeight WRITE SetMaxSizeHeight)
    Q_PROPERTY(int MaxSizeWidth READ MaxSizeWidth WRITE SetMaxSizeWidth)
    Q_PROPERTY(int MaxTrackHeight READ MaxTrackHeight WRITE SetMaxTrackHeight)
    Q_PROPERTY(int MaxTrackWidth READ MaxTrackWidth WRITE SetMaxTrackWidth)
    Q_PROPERTY(int MinTrackHeight READ MinTrackHeight WRITE SetMinTrackHeight)
    Q_PROPERTY(int MinTrackWidth READ MinTrackWidth WRITE SetMinTrackWidth)
public:
    explicit TWinMinMaxInfo(QObject* parent = nullptr) : QObject(parent) {}
    int GetMinMaxInfo(int index) const { return FValues[index]; }
    void SetMinMaxInfo(int index, int value);
    void Assign(const TWinMinMaxInfo& other);
    // All eight are 0 (MinMaxInfo counts as set otherwise).
    bool DefaultMinMaxInfo() const;

    int MaxPosLeft() const { return FValues[0]; }
    int MaxPosTop() const { return FValues[1]; }
    int MaxSizeHeight() const { return FValues[2]; }
    int MaxSizeWidth() const { return FValues[3]; }
    int MaxTrackHeight() const { return FValues[4]; }
    int MaxTrackWidth() const { return FValues[5]; }
    int MinTrackHeight() const { return FValues[6]; }
    int MinTrackWidth() const { return FValues[7]; }
    void SetMaxPosLeft(int v) { SetMinMaxInfo(0, v); }
    void SetMaxPosTop(int v) { SetMinMaxInfo(1, v); }
    void SetMaxSizeHeight(int v) { SetMinMaxInfo(2, v); }
    void SetMaxSizeWidth(int v) { SetMinMaxInfo(3, v); }
    void SetMaxTrackHeight(int v) { SetMinMaxInfo(4, v); }
    void SetMaxTrackWidth(int v) { SetMinMaxInfo(5, v); }
    void SetMinTrackHeight(int v) { SetMinMaxInfo(6, v); }
    void SetMinTrackWidth(int v) { SetMinMaxInfo(7, v); }

    // Told when a value changes (the placement component).
    std::function<void()> OnChange;

private:
    int FValues[8] = {};
};

class TStoredValue;
using TStoredValueEvent = std::function<void(TStoredValue* sender, QVariant& value)>;

// A named value kept in the store beside the properties.
class TStoredValue : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString Name READ Name WRITE SetName)
    Q_PROPERTY(QVariant Value READ Value WRITE SetValue)
    Q_PROPERTY(QString KeyString READ KeyString WRITE SetKeyString)
public:
    explicit TStoredValue(QObject* parent = nullptr) : QObject(parent) {}
    QString Name() const { return FName; }
    // Raises EListError("String list does not allow duplicates") when another item of the
    // collection has the name (compared without regard to case).
    void SetName(const QString& name);
    QVariant Value() const { return FValue; }
    void SetValue(const QVariant& v) { FValue = v; }
    QString KeyString() const { return FKeyString; }
    void SetKeyString(const QString& k) { FKeyString = k; }
    TStoredValueEvent OnSave;
    TStoredValueEvent OnRestore;

private:
    QString FName;
    QVariant FValue;
    QString FKeyString;
};

class TStoredValues : public TCollection {
    Q_OBJECT
public:
    using TCollection::TCollection;
    int Count() const override { return FItems.size(); }
    TStoredValue* Items(int index) const { return FItems.at(index); }
    QObject* Item(int index) const override { return FItems.at(index); }
    TStoredValue* Add() override;
    void Clear() override;
    // The item with that name (without regard to case), or null.
    TStoredValue* FindValue(const QString& name) const;
    int IndexOf(const QString& name) const;

private:
    QList<TStoredValue*> FItems;
};

// Scrambling of stored values that carry a KeyString.
QString XorEncode(const QString& key, const QString& text);
QString XorDecode(const QString& key, const QString& text);

class TFormPlacement : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool Active READ Active WRITE SetActive)
    Q_PROPERTY(QString IniFileName READ IniFileName WRITE SetIniFileName)
    Q_PROPERTY(QString IniSection READ IniSection WRITE SetIniSection)
    Q_PROPERTY(TWinMinMaxInfo* MinMaxInfo READ MinMaxInfo)
    Q_PROPERTY(TPlacementOptions Options READ Options WRITE SetOptions)
    Q_PROPERTY(bool PreventResize READ PreventResize WRITE SetPreventResize)
    Q_PROPERTY(TPlacementRegRoot RegistryRoot READ RegistryRoot WRITE SetRegistryRoot)
    Q_PROPERTY(bool UseRegistry READ UseRegistry WRITE SetUseRegistry)
    Q_PROPERTY(int Version READ Version WRITE SetVersion)
public:
    enum TPlacementOption { fpState = 1, fpPosition = 2, fpActiveControl = 4 };
    Q_DECLARE_FLAGS(TPlacementOptions, TPlacementOption)
    Q_FLAG(TPlacementOptions)
    enum TPlacementRegRoot {
        prCurrentUser,
        prLocalMachine,
        prCurrentConfig,
        prClassesRoot,
        prUsers,
        prDynData
    };
    Q_ENUM(TPlacementRegRoot)

    // owner: the form whose placement is kept (may be null for a storage without a form).
    // Options start as [fpState, fpPosition] when the owner is a form, [] otherwise.
    explicit TFormPlacement(QWidget* owner);
    ~TFormPlacement() override;

    bool Active() const { return FActive; }
    void SetActive(bool v) { FActive = v; }
    QString IniFileName() const { return FIniFileName; }
    void SetIniFileName(const QString& v) { FIniFileName = v; }
    QString IniSection() const { return FIniSection; }
    void SetIniSection(const QString& v) { FIniSection = v; }
    TWinMinMaxInfo* MinMaxInfo() const { return FMinMaxInfo; }
    TPlacementOptions Options() const { return FOptions; }
    void SetOptions(TPlacementOptions v) { FOptions = v; }
    bool PreventResize() const { return FPreventResize; }
    void SetPreventResize(bool v);
    TPlacementRegRoot RegistryRoot() const { return FRegistryRoot; }
    void SetRegistryRoot(TPlacementRegRoot v) { FRegistryRoot = v; }
    bool UseRegistry() const { return FUseRegistry; }
    void SetUseRegistry(bool v) { FUseRegistry = v; }
    int Version() const { return FVersion; }
    void SetVersion(int v) { FVersion = v; }

    TNotifyEvent OnSavePlacement;
    TNotifyEvent OnRestorePlacement;

    // The form is set up: resolve what needs the form's controls and hook the form's show,
    // close-request and destroy (an event filter on the form).
    virtual void Loaded();

    void LoadFromStore();
    void SaveToStore();
    QString ReadStoreString(const QString& section, const QString& name, const QString& def);
    void WriteStoreString(const QString& section, const QString& name, const QString& value);
    int ReadStoreInteger(const QString& name, int def);
    void WriteStoreInteger(const QString& name, int value);
    // Opening starts the store's update session (TCustomIniFile): the file is read at most
    // once while it is open, and writes reach it at CommitStore, all together. Closing drops
    // what was not committed.
    void OpenStore(bool readOnly);
    void CommitStore();
    void CloseStore();
    // The open store, or null.
    TCustomIniFile* IniFileObject() const { return FStore.get(); }

    bool Restored() const { return FRestored; }
    bool Saved() const { return FSaved; }
    bool Destroying() const { return FDestroying; }
    QWidget* Form() const { return FOwner; }

    // The names derived from the program file and the owner form.
    QString DefaultRegistryKey() const;
    QString DefaultIniFileName() const;
    QString DefaultSection() const;
    QString StoreName() const;   // IniFileName or its default for the chosen store
    QString SectionName() const; // IniSection or DefaultSection

    // The hooks (run by the event filter; public so a form can call FormDestroyHook itself).
    void FormShowHook();
    // closeAccepted: whether the form's own close handling let the close go on.
    void FormCloseQueryHook(bool closeAccepted);
    void FormDestroyHook();

    // Placement values of a form, on a profile object.
    void WriteWindowPlacement(QWidget* form, TCustomIniFile& store, const QString& section);
    void ReadWindowPlacement(QWidget* form, TCustomIniFile& store, const QString& section,
                             bool loadPosition, bool loadState);
    void AdjustMaximizedPosition();

    // The application's main form (the first form whose placement is kept as the main window);
    // null: none exists yet.
    static void SetMainForm(QWidget* form);
    static QWidget* MainForm();
    // "(<width>x<height>)" of the primary screen.
    static QString ScreenSizeSuffix();
    // The screen's logical pixels per inch.
    static int ScreenPixelsPerInch();

    // The minimized and maximized positions last set for the owner (as the system would keep
    // them in the window's placement record).
    QPoint MinPosition() const { return FMinPos; }
    QPoint MaxPosition() const { return FMaxPos; }

protected:
    virtual void SaveContents();
    virtual void LoadContents();
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Puts the form's handlers back and detaches from it (the destructors call it).
    void Unhook();
    bool Hooked() const { return FHooked; }
    bool FRestored = false;
    bool FDestroyHookRan = false;

private:
    void MinMaxInfoChanged();
    void UpdatePlacement();
    void ApplyWindowHook();
    // A text written to a profile file that a reader would lose a pair of quotes from.
    QString StoreText(const QString& text) const;

    QPointer<QWidget> FOwner;
    bool FActive = true;
    QString FIniFileName;
    QString FIniSection;
    TWinMinMaxInfo* FMinMaxInfo;
    TPlacementOptions FOptions;
    bool FPreventResize = false;
    TPlacementRegRoot FRegistryRoot = prCurrentUser;
    bool FUseRegistry = false;
    int FVersion = 0;

    std::unique_ptr<TCustomIniFile> FStore;
    bool FSaved = false;
    bool FDestroying = false;
    bool FHooked = false;
    bool FDefaultMaximize = true;
    bool FHookAttached = false;
    QSize FSavedMinSize, FSavedMaxSize;
    QMetaObject::Connection FQuitConnection;
    QPoint FMinPos{-1, -1};
    QPoint FMaxPos{-1, -1};
};
Q_DECLARE_OPERATORS_FOR_FLAGS(TFormPlacement::TPlacementOptions)

using TPlacementOptions = TFormPlacement::TPlacementOptions;
using TPlacementRegRoot = TFormPlacement::TPlacementRegRoot;
constexpr auto fpState = TFormPlacement::fpState;
constexpr auto fpPosition = TFormPlacement::fpPosition;
constexpr auto fpActiveControl = TFormPlacement::fpActiveControl;

class TFormStorage : public TFormPlacement {
    Q_OBJECT
    Q_PROPERTY(QStringList StoredProps READ StoredProps WRITE SetStoredProps)
    Q_PROPERTY(TStoredValues* StoredValues READ StoredValues)
public:
    explicit TFormStorage(QWidget* owner);
    ~TFormStorage() override;

    // The lines as they stand (after normalisation when it has run).
    QStringList StoredProps() const;
    // Replaces the lines; they are resolved against the form when it is set up (Loaded), or at
    // once when it already is.
    void SetStoredProps(const QStringList& lines);
    TStoredValues* StoredValues() const { return FStoredValues; }
    const TStoredPropLines& StoredPropLines() const { return FLines; }

    void Loaded() override;
    void SaveStoredProps();
    void LoadStoredProps();

protected:
    void SaveContents() override;
    void LoadContents() override;

private:
    // Attaches components to the lines; dropUnresolved deletes lines that name none.
    void ResolveStoredProps(bool dropUnresolved);
    TStoredPropLines FLines;
    TStoredValues* FStoredValues;
    bool FInDestructor = false;
};
