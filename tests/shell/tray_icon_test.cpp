#include "FakeNotifyIcon.h"
#include "framework/Exception.h"
#include "framework/MessageBox.h"
#include "shell/Icon.h"
#include "shell/IconList.h"
#include "shell/StatusIcons.h"
#include "shell/TimerThread.h"
#include "shell/TrayShell.h"
#include "support/WaitFor.h"

#include <QAction>
#include <QMenu>
#include <QStringList>
#include <QTest>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>

namespace {

QImage Disc(int status)
{
    return StatusIconImage(StatusIconColor(status));
}

QString ButtonName(TMouseButton b)
{
    return b == mbLeft ? "L" : b == mbRight ? "R" : "M";
}

QString ShiftName(TShiftState s)
{
    QString t;
    if (s & ssLeft)
        t += "l";
    if (s & ssRight)
        t += "r";
    if (s & ssMiddle)
        t += "m";
    if (s & ssDouble)
        t += "d";
    return t;
}

// A tray icon on the recording notification area, with every event logged as text.
struct TrayFixture : ::testing::Test {
    TNotifyJournal J;
    std::unique_ptr<TTrayIcon> Tray;
    QStringList Events;

    void SetUp() override
    {
        Tray = std::make_unique<TTrayIcon>(nullptr, std::make_unique<TFakeNotifyIcon>(J));
        Tray->OnClick = [this](QObject* s, TMouseButton b, TShiftState sh, int x, int y) {
            EXPECT_EQ(s, Tray.get());
            Events << QString("click %1 %2 %3,%4").arg(ButtonName(b), ShiftName(sh)).arg(x).arg(y);
        };
        Tray->OnDblClick = [this](QObject*) { Events << "dblclick"; };
        Tray->OnMouseDown = [this](QObject*, TMouseButton b, TShiftState sh, int, int) {
            Events << QString("down %1 %2").arg(ButtonName(b), ShiftName(sh));
        };
        Tray->OnMouseUp = [this](QObject*, TMouseButton b, TShiftState sh, int, int) {
            Events << QString("up %1 %2").arg(ButtonName(b), ShiftName(sh));
        };
        Tray->OnMouseMove = [this](QObject*, TShiftState, int x, int y) {
            Events << QString("move %1,%2").arg(x).arg(y);
        };
    }
    void ShowIcon()
    {
        TIcon icon;
        icon.SetImage(Disc(0));
        Tray->SetIcon(&icon);
        ASSERT_TRUE(Tray->Added());
    }
    void FillIcons(int n)
    {
        TIconList list;
        TIcon icon;
        for (int i = 0; i < n; ++i) {
            icon.SetImage(Disc(i % 4));
            list.Add(&icon);
        }
        Tray->SetIcons(&list);
    }
};

} // namespace

TEST_F(TrayFixture, DefaultsAndPublishedProperties)
{
    EXPECT_TRUE(Tray->property("Active").toBool());
    EXPECT_TRUE(Tray->property("Enabled").toBool());
    EXPECT_FALSE(Tray->property("Animated").toBool());
    EXPECT_EQ(Tray->property("Interval").toInt(), 150);
    EXPECT_EQ(Tray->property("Hint").toString(), QString());
    EXPECT_EQ(Tray->property("PopupMenu").value<QMenu*>(), nullptr);
    EXPECT_EQ(Tray->FrameIndex(), -1);
    EXPECT_TRUE(Tray->Icon()->Empty());
    EXPECT_EQ(Tray->Icons()->Count(), 0);
    EXPECT_EQ(J.Count("add"), 0) << "nothing is shown on creation";

    // Setting by name goes through the setters: the icon is copied and shown, the hint reaches
    // the shown icon.
    TIcon red;
    red.SetImage(Disc(1));
    ASSERT_TRUE(Tray->setProperty("Icon", QVariant::fromValue(&red)));
    EXPECT_NE(Tray->Icon(), &red);
    EXPECT_EQ(J.Last().hIcon.pixel(16, 16), qRgb(255, 0, 0));
    EXPECT_TRUE(Tray->Added());
    ASSERT_TRUE(Tray->setProperty("Hint", "ZEMBRA Ping - 15 ms"));
    EXPECT_EQ(J.Calls.back().Op, "modify");
    EXPECT_EQ(J.Last().szTip, "ZEMBRA Ping - 15 ms");
    ASSERT_TRUE(Tray->setProperty("Active", false));
    EXPECT_FALSE(Tray->Added());
    EXPECT_EQ(J.Calls.back().Op, "delete");
}

TEST_F(TrayFixture, NotifyRecordFields)
{
    Tray->SetHint("ZEMBRA Ping");
    ShowIcon();
    const TNotifyIconData& d = J.Last();
    EXPECT_EQ(J.Calls.back().Op, "add");
    EXPECT_EQ(d.cbSize, 88u);
    EXPECT_EQ(d.uID, 0u);
    EXPECT_EQ(d.uFlags, 7u);
    EXPECT_EQ(d.uCallbackMessage, 0xB054u);
    EXPECT_EQ(d.hWnd, reinterpret_cast<std::uintptr_t>(Tray.get()));
    EXPECT_EQ(d.hIcon.pixel(16, 16), qRgb(128, 0, 0));
    EXPECT_EQ(d.szTip, "ZEMBRA Ping");
}

TEST_F(TrayFixture, HintIsCutAtTheFirstBarAndTo63Characters)
{
    ShowIcon();
    const QString a63(63, 'a');
    const struct {
        QString hint, tip;
    } cases[] = {
        {"ZEMBRA Ping|long text", "ZEMBRA Ping"},
        {"one|two|three", "one"},
        {"|starts with a bar", ""},
        {"no bar at all", "no bar at all"},
        {a63, a63},
        {a63 + "bc", a63},
        {a63 + "b|c", a63},
        {"ZEMBRA Ping - Kapalı", "ZEMBRA Ping - Kapalı"},
    };
    for (const auto& c : cases) {
        Tray->SetHint(c.hint);
        EXPECT_EQ(J.Last().szTip, c.tip) << c.hint.toStdString();
        EXPECT_EQ(Tray->Hint(), c.hint) << "the property keeps the whole text";
    }
}

TEST_F(TrayFixture, ImagelessIconIsNeverAddedUntilAnImageArrives)
{
    Tray->SetHint("tip");
    Tray->Loaded();
    Tray->SetActive(false);
    Tray->SetActive(true);
    EXPECT_EQ(J.Count("add"), 0);
    EXPECT_FALSE(Tray->Added());

    TIcon icon;
    icon.SetImage(Disc(2));
    Tray->SetIcon(&icon);
    EXPECT_EQ(J.Count("add"), 1);
    EXPECT_TRUE(Tray->Added());
    EXPECT_EQ(J.Last().hIcon.pixel(16, 16), qRgb(255, 255, 0));

    // Emptying the icon takes it out of the area again.
    Tray->SetIcon(nullptr);
    EXPECT_FALSE(Tray->Added());
    EXPECT_EQ(J.Calls.back().Op, "delete");

    // Inactive: an image alone adds nothing.
    Tray->SetActive(false);
    Tray->SetIcon(&icon);
    EXPECT_EQ(J.Count("add"), 1);
}

TEST_F(TrayFixture, FailedAddIsRetriedOnEveryLaterChange)
{
    J.AddSucceeds = false;
    TIcon icon;
    icon.SetImage(Disc(1));
    Tray->SetIcon(&icon);
    EXPECT_FALSE(Tray->Added());
    EXPECT_EQ(J.Count("add"), 1);
    Tray->SetHint("a");
    EXPECT_EQ(J.Count("add"), 2);
    J.AddSucceeds = true;
    Tray->SetHint("b");
    EXPECT_EQ(J.Count("add"), 3);
    EXPECT_TRUE(Tray->Added());
    Tray->SetHint("c");
    EXPECT_EQ(J.Count("add"), 3);
    EXPECT_EQ(J.Calls.back().Op, "modify");
    EXPECT_EQ(J.Last().szTip, "c");
}

TEST_F(TrayFixture, LoadedAndActiveRemoveAndAddAgain)
{
    ShowIcon();
    J.Calls.clear();
    Tray->Loaded();
    ASSERT_EQ(J.Calls.size(), 2u);
    EXPECT_EQ(J.Calls[0].Op, "delete");
    EXPECT_EQ(J.Calls[1].Op, "add");
    Tray->SetActive(true); // no change: nothing happens
    EXPECT_EQ(J.Calls.size(), 2u);
}

TEST_F(TrayFixture, MouseMessagesBecomeEvents)
{
    ShowIcon();
    const struct {
        const char* name;
        std::vector<std::uint32_t> messages;
        QStringList events;
    } cases[] = {
        {"left click", {WM_LBUTTONDOWN, WM_LBUTTONUP}, {"down L l", "click L l 100,200", "up L l"}},
        {"left double click: one click, one double click",
         {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP},
         {"down L l", "click L l 100,200", "up L l", "dblclick", "down L d", "up L l"}},
        {"up without down: no click", {WM_LBUTTONUP, WM_RBUTTONUP}, {"up L l", "up R r"}},
        {"right click without a menu",
         {WM_RBUTTONDOWN, WM_RBUTTONUP},
         {"down R r", "click R r 100,200", "up R r"}},
        {"right double click", {WM_RBUTTONDBLCLK}, {"down R d"}},
        {"middle press and release never click",
         {WM_MBUTTONDOWN, WM_MBUTTONUP, WM_MBUTTONDBLCLK, WM_MBUTTONUP},
         {"down M m", "up M m", "down M d", "up M m"}},
        {"move", {WM_MOUSEMOVE}, {"move 100,200"}},
        {"other messages do nothing", {0x20A, 0x100, 0}, {}},
    };
    for (const auto& c : cases) {
        Events.clear();
        for (auto m : c.messages)
            J.Send(m);
        EXPECT_EQ(Events, c.events) << c.name;
    }
}

TEST_F(TrayFixture, DisabledOrForeignMessagesDoNothingButTheIconKeepsUpdating)
{
    ShowIcon();
    J.Send(WM_LBUTTONDOWN, 0x400); // not the tray's message
    Tray->SetEnabled(false);
    for (auto m : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_RBUTTONDOWN, WM_RBUTTONUP})
        J.Send(m);
    EXPECT_TRUE(Events.isEmpty()) << Events.join(";").toStdString();
    Tray->SetHint("still updating");
    EXPECT_EQ(J.Calls.back().Op, "modify");
    EXPECT_EQ(J.Last().szTip, "still updating");
    // The press made while disabled is not remembered: enabling again, an up is no click.
    Tray->SetEnabled(true);
    J.Send(WM_LBUTTONUP);
    EXPECT_EQ(Events, QStringList{"up L l"});
}

TEST_F(TrayFixture, RightClickShowsTheMenuInsteadOfClicking)
{
    ShowIcon();
    auto* menu = new QMenu();
    menu->addAction("Ayarlar");
    Tray->SetPopupMenu(menu);
    J.Send(WM_RBUTTONDOWN);
    J.Send(WM_RBUTTONUP);
    EXPECT_EQ(Events, (QStringList{"down R r", "up R r"}));
    ASSERT_EQ(J.Count("menu"), 1);
    EXPECT_EQ(J.Calls.back().Data.szTip, "100,200") << "shown at the cursor";
    EXPECT_EQ(menu->property("PopupComponent").value<QObject*>(), Tray.get());

    // With its automatic pop-up off the click goes to OnClick.
    menu->setProperty("AutoPopup", false);
    Events.clear();
    J.Send(WM_RBUTTONDOWN);
    J.Send(WM_RBUTTONUP);
    EXPECT_EQ(Events, (QStringList{"down R r", "click R r 100,200", "up R r"}));
    EXPECT_EQ(J.Count("menu"), 1);

    // A destroyed menu is forgotten.
    delete menu;
    EXPECT_EQ(Tray->PopupMenu(), nullptr);
    Events.clear();
    J.Send(WM_RBUTTONDOWN);
    J.Send(WM_RBUTTONUP);
    EXPECT_EQ(Events, (QStringList{"down R r", "click R r 100,200", "up R r"}));

    // Inactive: no menu either.
    QMenu other;
    other.addAction("x");
    Tray->SetPopupMenu(&other);
    Tray->SetActive(false);
    EXPECT_FALSE(Tray->ShowPopup(1, 2));
    EXPECT_EQ(J.Count("menu"), 1);
}

TEST_F(TrayFixture, DoubleClickRunsTheMenusEnabledDefaultItemInstead)
{
    ShowIcon();
    QMenu menu;
    menu.addAction("first");
    QAction* def = menu.addAction("default");
    int triggered = 0;
    QObject::connect(def, &QAction::triggered, [&] { ++triggered; });
    Tray->SetPopupMenu(&menu);

    J.Send(WM_LBUTTONDBLCLK);
    EXPECT_EQ(triggered, 0);
    EXPECT_EQ(Events.first(), "dblclick") << "no default item: OnDblClick";

    menu.setDefaultAction(def);
    Events.clear();
    J.Send(WM_LBUTTONDBLCLK);
    EXPECT_EQ(triggered, 1);
    EXPECT_EQ(Events, QStringList{"down L d"});

    def->setEnabled(false);
    Events.clear();
    J.Send(WM_LBUTTONDBLCLK);
    EXPECT_EQ(triggered, 1);
    EXPECT_EQ(Events.first(), "dblclick");
}

TEST_F(TrayFixture, HandlerExceptionGoesToTheApplicationAndTheIconWorksOn)
{
    ShowIcon();
    QStringList shown;
    SetMessageBoxHook([&](const QString& text) { shown << text; });
    int clicks = 0;
    Tray->OnClick = [&](QObject*, TMouseButton, TShiftState, int, int) {
        if (++clicks == 1)
            throw Exception("Host lookup cannot start");
    };
    J.Send(WM_LBUTTONDOWN);
    J.Send(WM_LBUTTONUP);
    J.Send(WM_LBUTTONDOWN);
    J.Send(WM_LBUTTONUP);
    SetMessageBoxHook(nullptr);
    EXPECT_EQ(clicks, 2);
    EXPECT_EQ(shown, QStringList{"Host lookup cannot start"});
}

TEST_F(TrayFixture, AnimationNeedsIconsAndStepsThroughThem)
{
    ShowIcon();
    Tray->SetAnimated(true);
    EXPECT_FALSE(Tray->Animated()) << "refused with an empty list";
    EXPECT_EQ(Tray->TimerThread(), nullptr);

    FillIcons(3);
    EXPECT_EQ(Tray->CurrentIcon(), Tray->Icon()) << "not animated: the list has no effect";
    Tray->SetAnimated(true);
    ASSERT_TRUE(Tray->Animated());
    ASSERT_NE(Tray->TimerThread(), nullptr);
    EXPECT_FALSE(Tray->TimerThread()->Paused()) << "shown, so running";
    EXPECT_EQ(Tray->FrameIndex(), 0);
    EXPECT_EQ(Tray->CurrentIcon(), Tray->Icons()->Icons(0));

    const QRgb colors[] = {qRgb(255, 0, 0), qRgb(255, 255, 0), qRgb(128, 0, 0), qRgb(255, 0, 0)};
    for (QRgb expected : colors) {
        Tray->AdvanceFrame();
        EXPECT_EQ(J.Calls.back().Op, "modify");
        EXPECT_EQ(J.Last().hIcon.pixel(16, 16), expected);
    }
    EXPECT_EQ(Tray->FrameIndex(), 1) << "wrapped after the last frame";

    // Removed: the thread pauses; shown again: it runs.
    Tray->SetActive(false);
    EXPECT_TRUE(Tray->TimerThread()->Paused());
    Tray->SetActive(true);
    EXPECT_FALSE(Tray->TimerThread()->Paused());

    // Emptying the list switches the animation off.
    Tray->Icons()->Clear();
    EXPECT_FALSE(Tray->Animated());
    EXPECT_EQ(Tray->TimerThread(), nullptr);
    EXPECT_EQ(Tray->FrameIndex(), 0);
    EXPECT_EQ(J.Last().hIcon.pixel(16, 16), qRgb(128, 0, 0)) << "back to Icon";
}

TEST_F(TrayFixture, AnimatedWhileNotShownStartsPaused)
{
    FillIcons(2);
    Tray->SetAnimated(true);
    ASSERT_TRUE(Tray->Animated());
    // CurrentIcon now is the first frame, which has an image, so the icon was added.
    EXPECT_TRUE(Tray->Added());
    Tray->SetActive(false);
    Tray->SetAnimated(false);
    Tray->SetAnimated(true);
    ASSERT_NE(Tray->TimerThread(), nullptr);
    EXPECT_TRUE(Tray->TimerThread()->Paused());
}

TEST_F(TrayFixture, WorkerThreadAdvancesFramesOnTheEventLoop)
{
    ShowIcon();
    FillIcons(4);
    Tray->SetInterval(5);
    Tray->SetAnimated(true);
    const int modifies = J.Count("modify");
    ASSERT_TRUE(WaitFor([&] { return J.Count("modify") >= modifies + 6; }));
    EXPECT_GE(Tray->TimerThread()->Ticks(), 6);
    // A busy user-interface thread gets one pending step, not a burst.
    QCoreApplication::processEvents();
    const long ticks = Tray->TimerThread()->Ticks();
    const int before = J.Count("modify");
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    QCoreApplication::processEvents();
    EXPECT_GE(Tray->TimerThread()->Ticks() - ticks, 5) << "the worker went on ticking";
    EXPECT_LE(J.Count("modify") - before, 1);
    // Destroyed while ticking: the icon leaves the area, nothing runs afterwards.
    Tray.reset();
    EXPECT_EQ(J.Calls.back().Op, "delete");
    const size_t calls = J.Calls.size();
    QTest::qWait(30);
    EXPECT_EQ(J.Calls.size(), calls);
}

TEST_F(TrayFixture, DestructionRemovesTheIconAndUnhooksEverything)
{
    ShowIcon();
    QMenu menu;
    Tray->SetPopupMenu(&menu);
    Tray.reset();
    EXPECT_EQ(J.Calls.back().Op, "delete");
    EXPECT_FALSE(J.Callback) << "no messages reach a destroyed icon";
}
