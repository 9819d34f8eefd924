#include "shell/Placement.h"

#include "framework/Exception.h"
#include "framework/MessageBox.h"
#include "framework/ProfileFile.h"
#include "shell/PlacementText.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <cmath>

namespace {
// Show commands of the window placement record.
constexpr int SW_HIDE = 0;
constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_SHOWMINIMIZED = 2;
constexpr int SW_SHOWMAXIMIZED = 3;

enum TBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };

TBorderStyle BorderStyle(const QWidget* form)
{
    const Qt::WindowFlags f = form->windowFlags();
    if (f & Qt::FramelessWindowHint)
        return bsNone;
    const bool fixed =
        (form->minimumSize() == form->maximumSize()) || (f & Qt::MSWindowsFixedSizeDialogHint);
    const bool tool = form->windowType() == Qt::Tool;
    if (fixed)
        return tool ? bsToolWindow : form->windowType() == Qt::Dialog ? bsDialog : bsSingle;
    return tool ? bsSizeToolWin : bsSizeable;
}

bool Sizeable(const QWidget* form)
{
    const TBorderStyle bs = BorderStyle(form);
    return bs == bsSizeable || bs == bsSizeToolWin;
}

bool HasMaximizeButton(const QWidget* form)
{
    const Qt::WindowFlags f = form->windowFlags();
    // Without customisation the window manager gives a window its usual buttons.
    return !(f & Qt::CustomizeWindowHint) || (f & Qt::WindowMaximizeButtonHint);
}

// The width of the frame a maximized window keeps just outside the screen (the classic
// system metrics for border, frame and dialog frame).
int FrameWidth(const QWidget* form)
{
    switch (BorderStyle(form)) {
    case bsSingle:
    case bsToolWindow:
        return 1;
    case bsSizeable:
    case bsSizeToolWin:
        return 4;
    case bsDialog:
        return 3;
    case bsNone:
        break;
    }
    return 0;
}

int ShowCmdOf(const QWidget* form)
{
    if (form->isMinimized())
        return SW_SHOWMINIMIZED;
    if (form->isMaximized())
        return SW_SHOWMAXIMIZED;
    return SW_SHOWNORMAL;
}

QRect NormalRect(const QWidget* form)
{
    if ((form->isMaximized() || form->isMinimized()) && form->normalGeometry().isValid())
        return form->normalGeometry();
    return form->geometry();
}

// A rectangle that no screen shows is moved onto the nearest screen's free area.
QRect OnSomeScreen(const QRect& r)
{
    const QList<QScreen*> screens = QGuiApplication::screens();
    if (screens.isEmpty())
        return r;
    QScreen* nearest = screens.first();
    qint64 best = -1;
    for (QScreen* s : screens) {
        const QRect g = s->geometry();
        if (g.intersects(r))
            return r;
        const qint64 dx = qMax<qint64>(0, qMax<qint64>(g.left() - r.right(), r.left() - g.right()));
        const qint64 dy = qMax<qint64>(0, qMax<qint64>(g.top() - r.bottom(), r.top() - g.bottom()));
        const qint64 d = dx * dx + dy * dy;
        if (best < 0 || d < best) {
            best = d;
            nearest = s;
        }
    }
    const QRect area = nearest->availableGeometry();
    QRect m(r.topLeft(), QSize(qMin(r.width(), area.width()), qMin(r.height(), area.height())));
    m.moveLeft(qBound(area.left(), m.left(), area.right() - m.width() + 1));
    m.moveTop(qBound(area.top(), m.top(), area.bottom() - m.height() + 1));
    return m;
}

QPointer<QWidget>& MainFormRef()
{
    static QPointer<QWidget> main;
    return main;
}

TRegRoot RegRoot(TFormPlacement::TPlacementRegRoot r)
{
    return static_cast<TRegRoot>(int(r));
}

// Opens a store for one call when none is open, and closes it again afterwards.
class TStoreUse {
public:
    TStoreUse(TFormPlacement* p, bool readOnly) : FP(p), FOpened(!p->IniFileObject())
    {
        if (FOpened)
            p->OpenStore(readOnly);
    }
    // A write made through a store opened for it reaches the file here.
    void Commit()
    {
        if (FOpened)
            FP->CommitStore();
    }
    ~TStoreUse()
    {
        if (FOpened)
            FP->CloseStore();
    }

private:
    TFormPlacement* FP;
    bool FOpened;
};
} // namespace

// ---------------------------------------------------------------------------------------------

void TWinMinMaxInfo::SetMinMaxInfo(int index, int value)
{
    if (index < 0 || index > 7 || FValues[index] == value)
        return;
    FValues[index] = value;
    if (OnChange)
        OnChange();
}

void TWinMinMaxInfo::Assign(const TWinMinMaxInfo& other)
{
    std::copy(std::begin(other.FValues), std::end(other.FValues), std::begin(FValues));
    if (OnChange)
        OnChange();
}

bool TWinMinMaxInfo::DefaultMinMaxInfo() const
{
    for (int v : FValues)
        if (v != 0)
            return false;
    return true;
}

void TStoredValue::SetName(const QString& name)
{
    if (auto* coll = qobject_cast<TStoredValues*>(parent())) {
        const TStoredValue* other = coll->FindValue(name);
        if (other && other != this)
            throw EListError(QStringLiteral("String list does not allow duplicates"));
    }
    FName = name;
}

TStoredValue* TStoredValues::Add()
{
    auto* item = new TStoredValue(this);
    FItems.append(item);
    return item;
}

void TStoredValues::Clear()
{
    qDeleteAll(FItems);
    FItems.clear();
}

TStoredValue* TStoredValues::FindValue(const QString& name) const
{
    const int i = IndexOf(name);
    return i < 0 ? nullptr : FItems[i];
}

int TStoredValues::IndexOf(const QString& name) const
{
    for (int i = 0; i < FItems.size(); ++i)
        if (FItems[i]->Name().compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

// Scrambling works on the UTF-8 bytes, so any text survives; for ASCII text a byte is a
// character.
QString XorEncode(const QString& key, const QString& text)
{
    const QByteArray k = key.toUtf8(), t = text.toUtf8();
    if (k.isEmpty())
        return text;
    QString out;
    for (qsizetype i = 0; i < t.size(); ++i)
        out += QStringLiteral("%1").arg(uchar(t[i] ^ k[i % k.size()]), 2, 16, QLatin1Char('0'));
    return out;
}

QString XorDecode(const QString& key, const QString& text)
{
    const QByteArray k = key.toUtf8();
    if (k.isEmpty())
        return text;
    QByteArray out;
    for (qsizetype i = 0; i + 1 < text.size(); i += 2) {
        bool ok = false;
        uint b = text.mid(i, 2).toUInt(&ok, 16);
        if (!ok || text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))
            b = 32;
        out += char(b ^ uchar(k[(i / 2) % k.size()]));
    }
    return QString::fromUtf8(out);
}

// ---------------------------------------------------------------------------------------------

TFormPlacement::TFormPlacement(QWidget* owner)
    : QObject(owner), FOwner(owner), FMinMaxInfo(new TWinMinMaxInfo(this))
{
    FMinMaxInfo->OnChange = [this] { MinMaxInfoChanged(); };
    if (owner && owner->isWindow())
        FOptions = TPlacementOptions(fpState) | fpPosition;
}

TFormPlacement::~TFormPlacement()
{
    if (!FDestroyHookRan && FHooked && FOwner)
        FormDestroyHook();
    Unhook();
}

void TFormPlacement::Unhook()
{
    CloseStore();
    if (FHookAttached && FOwner) {
        FOwner->setMinimumSize(FSavedMinSize);
        FOwner->setMaximumSize(FSavedMaxSize);
    }
    FHookAttached = false;
    if (FHooked && FOwner)
        FOwner->removeEventFilter(this);
    if (FQuitConnection)
        disconnect(FQuitConnection);
    FHooked = false;
}

void TFormPlacement::SetMainForm(QWidget* form)
{
    MainFormRef() = form;
}

QWidget* TFormPlacement::MainForm()
{
    return MainFormRef();
}

QString TFormPlacement::ScreenSizeSuffix()
{
    const QScreen* s = QGuiApplication::primaryScreen();
    const QSize z = s ? s->size() : QSize(0, 0);
    return QStringLiteral("(%1x%2)").arg(z.width()).arg(z.height());
}

int TFormPlacement::ScreenPixelsPerInch()
{
    const QScreen* s = QGuiApplication::primaryScreen();
    return s ? int(std::lround(s->logicalDotsPerInch())) : 96;
}

QString TFormPlacement::DefaultRegistryKey() const
{
    return QStringLiteral("Software\\") +
           QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}

QString TFormPlacement::DefaultIniFileName() const
{
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName() +
           QStringLiteral(".INI");
}

QString TFormPlacement::DefaultSection() const
{
    return FOwner ? QString::fromLatin1(FOwner->metaObject()->className()) : QString();
}

QString TFormPlacement::StoreName() const
{
    if (!FIniFileName.isEmpty())
        return FIniFileName;
    return FUseRegistry ? DefaultRegistryKey() : DefaultIniFileName();
}

QString TFormPlacement::SectionName() const
{
    return FIniSection.isEmpty() ? DefaultSection() : FIniSection;
}

void TFormPlacement::Loaded()
{
    if (FHooked || !FOwner || !FOwner->isWindow())
        return;
    FOwner->installEventFilter(this);
    FHooked = true;
    // At exit the windows go while the application winds down; save before that happens.
    FQuitConnection =
        connect(qApp, &QCoreApplication::aboutToQuit, this, [this] { FormDestroyHook(); });
    FDefaultMaximize = HasMaximizeButton(FOwner);
    if (FPreventResize)
        UpdatePlacement();
    ApplyWindowHook();
}

void TFormPlacement::OpenStore(bool readOnly)
{
    if (FStore)
        return;
    if (FUseRegistry)
        FStore = std::make_unique<TRegIniFile>(StoreName(), readOnly, RegRoot(FRegistryRoot));
    else
        FStore = std::make_unique<TIniFile>(StoreName());
    // One reading of the file for a whole load, one replacement of it for a whole save.
    FStore->BeginUpdate();
}

void TFormPlacement::CommitStore()
{
    if (!FStore)
        return;
    FStore->EndUpdate();
    FStore->BeginUpdate();
}

void TFormPlacement::CloseStore()
{
    FStore.reset();
}

QString TFormPlacement::StoreText(const QString& text) const
{
    if (FUseRegistry || text.isEmpty())
        return text;
    const bool dq = text.startsWith(QLatin1Char('"')) && text.endsWith(QLatin1Char('"'));
    const bool sq = text.startsWith(QLatin1Char('\'')) && text.endsWith(QLatin1Char('\''));
    return dq || sq ? QLatin1Char('"') + text + QLatin1Char('"') : text;
}

QString TFormPlacement::ReadStoreString(const QString& section, const QString& name,
                                        const QString& def)
{
    TStoreUse use(this, true);
    return FStore->ReadString(section, name, def);
}

void TFormPlacement::WriteStoreString(const QString& section, const QString& name,
                                      const QString& value)
{
    TStoreUse use(this, false);
    FStore->WriteString(section, name, StoreText(value));
    use.Commit();
}

int TFormPlacement::ReadStoreInteger(const QString& name, int def)
{
    TStoreUse use(this, true);
    return FStore->ReadInteger(SectionName(), name, def);
}

void TFormPlacement::WriteStoreInteger(const QString& name, int value)
{
    TStoreUse use(this, false);
    FStore->WriteInteger(SectionName(), name, value);
    use.Commit();
}

void TFormPlacement::LoadFromStore()
{
    FSaved = false;
    {
        OpenStore(true);
        struct TClose {
            TFormPlacement* P;
            ~TClose() { P->CloseStore(); }
        } close{this};
        if (FStore->ReadInteger(SectionName(), QStringLiteral("FormVersion"), 0) >= FVersion) {
            LoadContents();
            Fire(OnRestorePlacement, this);
            if ((FOptions & fpActiveControl) && FOwner) {
                const QString name =
                    FStore->ReadString(SectionName(), QStringLiteral("ActiveControl"), QString());
                auto* w = qobject_cast<QWidget*>(FindComponent(FOwner, name));
                if (w && w->isEnabled() && w->focusPolicy() != Qt::NoFocus)
                    w->setFocus();
            }
        }
        FRestored = true;
    }
    AdjustMaximizedPosition();
}

void TFormPlacement::SaveToStore()
{
    if (!FRestored && FActive)
        return; // a storage whose load never completed never overwrites the store
    OpenStore(false);
    struct TClose {
        TFormPlacement* P;
        ~TClose() { P->CloseStore(); }
    } close{this};
    FStore->WriteInteger(SectionName(), QStringLiteral("FormVersion"), FVersion);
    SaveContents();
    CommitStore(); // the file is written here, once: all of the save or none of it
    Fire(OnSavePlacement, this);
    FSaved = true;
}

void TFormPlacement::SaveContents()
{
    if (!FOwner)
        return;
    const QString section = SectionName();
    if (FOptions & (fpState | fpPosition)) {
        WriteWindowPlacement(FOwner, *FStore, section);
        FStore->WriteBool(section, QStringLiteral("Visible"), FDestroying);
    }
    if (FOptions & fpActiveControl) {
        QWidget* focus = FOwner->focusWidget();
        if (focus && focus != FOwner && !focus->objectName().isEmpty())
            FStore->WriteString(section, QStringLiteral("ActiveControl"), focus->objectName());
    }
}

void TFormPlacement::LoadContents()
{
    if (FOwner && (FOptions & (fpState | fpPosition)))
        ReadWindowPlacement(FOwner, *FStore, SectionName(), FOptions.testFlag(fpPosition),
                            FOptions.testFlag(fpState));
}

void TFormPlacement::WriteWindowPlacement(QWidget* form, TCustomIniFile& store,
                                          const QString& section)
{
    int showCmd = ShowCmdOf(form);
    // The application counts as minimized when its main window is.
    if (form == MainForm() && form->isMinimized())
        showCmd = SW_SHOWMINIMIZED;
    store.WriteInteger(section, QStringLiteral("Flags"), 0);
    store.WriteInteger(section, QStringLiteral("ShowCmd"), showCmd);
    store.WriteInteger(section, QStringLiteral("PixelsPerInch"), ScreenPixelsPerInch());
    const QString suffix = ScreenSizeSuffix();
    const QString minMax = QStringLiteral("%1,%2,%3,%4")
                               .arg(FMinPos.x())
                               .arg(FMinPos.y())
                               .arg(FMaxPos.x())
                               .arg(FMaxPos.y());
    store.WriteString(section, QStringLiteral("MinMaxPos") + suffix, StoreText(minMax));
    store.WriteString(section, QStringLiteral("MinMaxPos"), StoreText(minMax));
    const QRect r = NormalRect(form);
    const QString norm = QStringLiteral("%1,%2,%3,%4")
                             .arg(r.left())
                             .arg(r.top())
                             .arg(r.left() + r.width())
                             .arg(r.top() + r.height());
    store.WriteString(section, QStringLiteral("NormPos") + suffix, StoreText(norm));
    store.WriteString(section, QStringLiteral("NormPos"), StoreText(norm));
}

void TFormPlacement::ReadWindowPlacement(QWidget* form, TCustomIniFile& store,
                                         const QString& section, bool loadPosition, bool loadState)
{
    if (!loadPosition && !loadState)
        return;
    const int showCmd = form->isVisible() ? ShowCmdOf(form) : SW_HIDE;
    Q_UNUSED(showCmd); // the window keeps its current show state while it is placed
    if (loadPosition) {
        const QString suffix = ScreenSizeSuffix();
        store.ReadInteger(section, QStringLiteral("Flags"), 0);
        QString minMax = store.ReadString(section, QStringLiteral("MinMaxPos") + suffix, {});
        if (minMax.isEmpty())
            minMax = store.ReadString(section, QStringLiteral("MinMaxPos"), {});
        QPoint minPos = FMinPos, maxPos = FMaxPos;
        if (!minMax.isEmpty()) {
            const QStringList w = PlacementText::Words(minMax);
            minPos = QPoint(PlacementText::WordInt(w, 0, 0), PlacementText::WordInt(w, 1, 0));
            maxPos = QPoint(PlacementText::WordInt(w, 2, 0), PlacementText::WordInt(w, 3, 0));
        }
        QString norm = store.ReadString(section, QStringLiteral("NormPos") + suffix, {});
        if (norm.isEmpty())
            norm = store.ReadString(section, QStringLiteral("NormPos"), {});
        const QRect g = NormalRect(form);
        int left = g.left(), top = g.top(), right = g.left() + g.width(),
            bottom = g.top() + g.height();
        if (!norm.isEmpty()) {
            const QStringList w = PlacementText::Words(norm);
            left = PlacementText::WordInt(w, 0, g.left());
            top = PlacementText::WordInt(w, 1, g.top());
            right = PlacementText::WordInt(w, 2, g.left() + g.width());
            bottom = PlacementText::WordInt(w, 3, g.top() + g.height());
        }
        const int ppi =
            store.ReadInteger(section, QStringLiteral("PixelsPerInch"), ScreenPixelsPerInch());
        if ((!minMax.isEmpty() || !norm.isEmpty()) && ppi == ScreenPixelsPerInch()) {
            const std::optional<QRect> stored = PlacementText::StoredRect(
                left, top, right, bottom,
                Sizeable(form) ? std::nullopt : std::optional<QSize>(g.size()));
            if (stored) {
                FMinPos = minPos;
                FMaxPos = maxPos;
                const QRect target = OnSomeScreen(*stored);
                const Qt::WindowStates st = form->windowState();
                if (st & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen)) {
                    form->setWindowState(
                        st & ~(Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen));
                    form->setGeometry(target);
                    form->setWindowState(st);
                } else {
                    form->setGeometry(target);
                }
            }
        }
    }
    if (loadState) {
        const bool isMain = !MainForm() || form == MainForm();
        enum { Normal, Minimized, Maximized } state = Normal;
        switch (store.ReadInteger(section, QStringLiteral("ShowCmd"), 0)) {
        case 1:
        case 5:
        case 9:
            state = Normal;
            break;
        case 2:
        case 6:
        case 7:
            state = Minimized;
            break;
        case 3:
            state = Maximized;
            break;
        default:
            break; // the default state: normal
        }
        const Qt::WindowStates plain =
            form->windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized);
        if (state == Minimized && isMain) {
            // The window shows normal; the application minimizes once the show is done.
            form->setWindowState(plain);
            QMetaObject::invokeMethod(
                form, [form] { form->showMinimized(); }, Qt::QueuedConnection);
            return;
        }
        if (state == Minimized)
            form->setWindowState(plain | Qt::WindowMinimized);
        else if (state == Maximized)
            form->setWindowState(plain | Qt::WindowMaximized);
        else
            form->setWindowState(plain);
    }
    form->update();
}

void TFormPlacement::AdjustMaximizedPosition()
{
    if (!FOwner || !FOwner->isWindow() || FPreventResize || !FMinMaxInfo->DefaultMinMaxInfo())
        return;
    const int frame = FrameWidth(FOwner);
    FMaxPos = QPoint(-frame, -frame);
}

void TFormPlacement::SetPreventResize(bool v)
{
    if (v == FPreventResize)
        return;
    FPreventResize = v;
    if (!FOwner || !FOwner->isWindow())
        return;
    AdjustMaximizedPosition();
    UpdatePlacement();
}

void TFormPlacement::UpdatePlacement()
{
    if (!FOwner)
        return;
    if (FPreventResize)
        FDefaultMaximize = HasMaximizeButton(FOwner);
    const bool want = !FPreventResize && FDefaultMaximize && BorderStyle(FOwner) != bsDialog;
    if (want != HasMaximizeButton(FOwner)) {
        // Changing the buttons re-creates a shown window; its show must not load again.
        const bool active = FActive;
        FActive = false;
        const bool visible = FOwner->isVisible();
        Qt::WindowFlags f = FOwner->windowFlags();
        if (want) {
            f |= Qt::WindowMaximizeButtonHint;
        } else {
            f |= Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint;
            f &= ~Qt::WindowMaximizeButtonHint;
        }
        FOwner->setWindowFlags(f);
        if (visible)
            FOwner->show();
        FActive = active;
    }
    ApplyWindowHook();
}

void TFormPlacement::MinMaxInfoChanged()
{
    AdjustMaximizedPosition();
    ApplyWindowHook();
}

// The size limits: Qt's minimum and maximum sizes stand in for the tracking sizes of the
// system's size query, and a fixed size for a window that must not be resized.
void TFormPlacement::ApplyWindowHook()
{
    if (!FOwner || !FOwner->isWindow())
        return;
    const bool need = FPreventResize || !FMinMaxInfo->DefaultMinMaxInfo();
    if (need && !FHookAttached) {
        FSavedMinSize = FOwner->minimumSize();
        FSavedMaxSize = FOwner->maximumSize();
        FHookAttached = true;
    }
    if (!FHookAttached)
        return;
    FOwner->setMinimumSize(FSavedMinSize);
    FOwner->setMaximumSize(FSavedMaxSize);
    if (!need) {
        FHookAttached = false;
        return;
    }
    if (FPreventResize) {
        FOwner->setFixedSize(FOwner->size());
        return;
    }
    const TWinMinMaxInfo& m = *FMinMaxInfo;
    if (m.MinTrackWidth())
        FOwner->setMinimumWidth(m.MinTrackWidth());
    if (m.MinTrackHeight())
        FOwner->setMinimumHeight(m.MinTrackHeight());
    if (m.MaxTrackWidth())
        FOwner->setMaximumWidth(m.MaxTrackWidth());
    if (m.MaxTrackHeight())
        FOwner->setMaximumHeight(m.MaxTrackHeight());
}

void TFormPlacement::FormShowHook()
{
    if (FActive)
        RunGuarded([this] { LoadFromStore(); });
}

void TFormPlacement::FormCloseQueryHook(bool closeAccepted)
{
    if (closeAccepted && FActive && FOwner)
        RunGuarded([this] { SaveToStore(); });
}

void TFormPlacement::FormDestroyHook()
{
    if (FDestroyHookRan)
        return;
    FDestroyHookRan = true;
    if (FActive && !FSaved) {
        FDestroying = true;
        RunGuarded([this] { SaveToStore(); });
        FDestroying = false;
    }
}

bool TFormPlacement::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != FOwner)
        return false;
    switch (event->type()) {
    case QEvent::Show:
        // A window coming back from the task bar is no new showing.
        if (!event->spontaneous())
            FormShowHook();
        return false;
    case QEvent::Close: {
        // The form's own close handling decides first; a close it turns into hiding still
        // counts as a close request.
        QPointer<QWidget> form = FOwner;
        static_cast<QObject*>(form.data())->event(event);
        if (form)
            FormCloseQueryHook(event->isAccepted() || !form->isVisible());
        return true;
    }
    default:
        return false;
    }
}

// ---------------------------------------------------------------------------------------------

TFormStorage::TFormStorage(QWidget* owner)
    : TFormPlacement(owner), FStoredValues(new TStoredValues(this))
{
}

TFormStorage::~TFormStorage()
{
    // The form may be deleting its children right now: its child list must not be searched.
    FInDestructor = true;
    if (!FDestroyHookRan && Hooked() && Form())
        FormDestroyHook();
    Unhook();
}

QStringList TFormStorage::StoredProps() const
{
    QStringList lines;
    for (const TStoredPropLine& l : FLines)
        lines << l.Text;
    return lines;
}

void TFormStorage::SetStoredProps(const QStringList& lines)
{
    FLines.clear();
    for (const QString& l : lines)
        FLines.append(TStoredPropLine{l, nullptr});
    ResolveStoredProps(false);
}

void TFormStorage::ResolveStoredProps(bool dropUnresolved)
{
    if (FInDestructor)
        return;
    for (qsizetype i = FLines.size() - 1; i >= 0; --i) {
        TStoredPropLine& line = FLines[i];
        if (line.Component)
            continue;
        QString comp, prop;
        QObject* found = nullptr;
        const bool split = SplitStoredProp(line.Text, comp, prop);
        if (split)
            found = FindComponent(Form(), comp);
        if (found) {
            line.Component = found;
            // A destroyed component takes its lines with it.
            connect(found, &QObject::destroyed, this, [this](QObject* gone) {
                FLines.removeIf([gone](const TStoredPropLine& l) {
                    return !l.Component || l.Component.data() == gone;
                });
            });
        } else if (!split || dropUnresolved) {
            FLines.removeAt(i);
        }
    }
}

void TFormStorage::Loaded()
{
    ResolveStoredProps(true);
    TFormPlacement::Loaded();
}

void TFormStorage::SaveStoredProps()
{
    ResolveStoredProps(false);
    TPropsStorage ps;
    ps.Section = SectionName();
    ps.OnWriteString = [this](const QString& s, const QString& n, const QString& v) {
        WriteStoreString(s, n, v);
    };
    ps.OnEraseSection = [this](const QString& s) {
        TStoreUse use(this, false);
        IniFileObject()->EraseSection(s);
        use.Commit();
    };
    ps.SaveListedProperties(Form(), FLines);
}

void TFormStorage::LoadStoredProps()
{
    try {
        ResolveStoredProps(false);
        TPropsStorage ps;
        ps.Section = SectionName();
        ps.OnReadString = [this](const QString& s, const QString& n, const QString& d) {
            return ReadStoreString(s, n, d);
        };
        ps.LoadListedProperties(Form(), FLines);
    } catch (...) {
        // Loading stored properties never stops a load.
    }
}

void TFormStorage::SaveContents()
{
    TFormPlacement::SaveContents();
    SaveStoredProps();
    const QString section = SectionName();
    for (int i = 0; i < FStoredValues->Count(); ++i) {
        TStoredValue* item = FStoredValues->Items(i);
        QVariant v = item->Value();
        if (item->OnSave)
            item->OnSave(item, v);
        QString text = v.toString();
        if (!item->KeyString().isEmpty())
            text = XorEncode(item->KeyString(), text);
        WriteStoreString(section, item->Name(), text);
    }
}

void TFormStorage::LoadContents()
{
    TFormPlacement::LoadContents();
    FRestored = true;
    LoadStoredProps();
    const QString section = SectionName();
    for (int i = 0; i < FStoredValues->Count(); ++i) {
        TStoredValue* item = FStoredValues->Items(i);
        QString def = item->Value().toString();
        if (!item->KeyString().isEmpty())
            def = XorEncode(item->KeyString(), def);
        QString text = ReadStoreString(section, item->Name(), def);
        if (!item->KeyString().isEmpty())
            text = XorDecode(item->KeyString(), text);
        QVariant v(text);
        if (item->OnRestore)
            item->OnRestore(item, v);
        item->SetValue(v);
    }
}
