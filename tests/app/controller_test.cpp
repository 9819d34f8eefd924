// ctest-labels: gui
#include "AppFixture.h"

#include "controls/LiquidIndicator.h"
#include "controls/Spin.h"
#include "controls/peakmeter.h"
#include "framework/MessageBox.h"
#include "net/icmp.h"
#include "shell/Icon.h"
#include "shell/IconList.h"
#include "shell/TrayShell.h"
#include "support/WaitFor.h"

#include <QFile>
#include <atomic>
#include <chrono>
#include <poll.h>

using namespace Monitor;

namespace {
QStringList Log(const TAyarF& a)
{
    return a.DisplayMemo->Lines();
}
} // namespace

class Controller : public AppFixture {
protected:
    void SetUp() override
    {
        AppFixture::SetUp();
        Resolver->Answer("localhost", "127.0.0.1");
        Build();
        Start();
        Pump();
        Ayar->HostEdit->SetText("10.9.8.7");
    }
    void RunCycle()
    {
        Ayar->PingButtonClick(nullptr);
        Pump();
    }
};

TEST_F(Controller, GoodCycleLogsInOrderAndShowsTheTime)
{
    Layer->RoundTripNs = 15'000'000;
    RunCycle();
    EXPECT_EQ(Log(*Ayar), (QStringList{"Resolving host '10.9.8.7'", "Host '10.9.8.7' is 10.9.8.7",
                                       "Sending 32 bytes to 10.9.8.7 (10.9.8.7)",
                                       "Received 32 bytes from 10.9.8.7 in 15 ms"}));
    EXPECT_EQ(Main->Sure->Indicatorstring(), "15 ms");
    EXPECT_EQ(Main->PeakMeter1->Value(), 15);
    EXPECT_EQ(Main->Shape1->BrushColor(), clLime);
    EXPECT_EQ(Main->TrayIcon1->Hint(), "ZEMBRA Ping - 15 ms");
    EXPECT_EQ(Main->LabelHost->Caption(), "10.9.8.7");
    EXPECT_TRUE(Ayar->PingButton->isEnabled());
    EXPECT_FALSE(Ayar->CancelButton->isEnabled());
    EXPECT_TRUE(Sounds.isEmpty());
}

TEST_F(Controller, NamedHostCompletesThroughTheEventLoop)
{
    Resolver->Answer("monitor.test", "10.0.0.5");
    Ayar->HostEdit->SetText("monitor.test");
    RunCycle();
    const QStringList log = Log(*Ayar);
    ASSERT_EQ(log.size(), 4);
    EXPECT_EQ(log[1], "Host 'monitor.test' is 10.0.0.5");
    EXPECT_EQ(log[2], "Sending 32 bytes to 10.0.0.5 (10.0.0.5)");
}

TEST_F(Controller, ThresholdsDecideTheLampAndTheAlarm)
{
    struct Case {
        int ms;
        TColor lamp;
        bool alarm;
    } cases[] = {
        {199, clLime, false}, {200, clYellow, false}, {700, clYellow, false}, {701, clRed, true}};
    for (const Case& c : cases) {
        Sounds.clear();
        Layer->RoundTripNs = std::int64_t(c.ms) * 1'000'000;
        RunCycle();
        EXPECT_EQ(Main->Shape1->BrushColor(), c.lamp) << c.ms;
        EXPECT_EQ(Sounds.size(), c.alarm ? 1 : 0) << c.ms;
        EXPECT_EQ(Ayar->LastStatus(), Classify(c.ms, 200, 700));
    }
    ASSERT_EQ(Sounds.size(), 1);
    EXPECT_TRUE(Sounds[0].endsWith("/alarm.wav"));
    // With the alarm off a bad reply is silent.
    Sounds.clear();
    Ayar->CheckBoxAlarm->setProperty("Checked", false);
    RunCycle();
    EXPECT_TRUE(Sounds.isEmpty());
}

TEST_F(Controller, LostReplyDrawsTheTimeOutPeak)
{
    Ayar->SpinEdit3->setProperty("Value", 1500);
    Layer->Answer = [](const IcmpEchoParams&) { return FakeIcmpLayer::TimedOut(); };
    RunCycle();
    const QStringList log = Log(*Ayar);
    ASSERT_EQ(log.size(), 4);
    EXPECT_EQ(log[3], "Cannot ping host (10.9.8.7) : Request timed out");
    EXPECT_EQ(Main->Sure->Indicatorstring(), "Time out");
    EXPECT_EQ(Main->PeakMeter1->Value(), 1500);
    EXPECT_EQ(Main->Shape1->BrushColor(), clRed);
    EXPECT_EQ(Main->TrayIcon1->Hint(), "ZEMBRA Ping - Time out");
    EXPECT_EQ(Sounds.size(), 1);
}

TEST_F(Controller, UnreachableReplyIsAFailedPing)
{
    Layer->Answer = [](const IcmpEchoParams&) {
        return FakeIcmpLayer::ErrorMessage(Ip("10.9.8.1"), IcmpStatus::DestHostUnreachable);
    };
    RunCycle();
    const QStringList log = Log(*Ayar);
    ASSERT_EQ(log.size(), 4);
    EXPECT_EQ(log[3],
              "Cannot ping host (10.9.8.7) : " + IcmpErrorText(IcmpStatus::DestHostUnreachable));
    EXPECT_EQ(Main->Sure->Indicatorstring(), "Time out");
    EXPECT_EQ(Main->PeakMeter1->Value(), Ayar->SpinEdit3->Value());
    EXPECT_EQ(Main->Shape1->BrushColor(), clRed);
    EXPECT_EQ(Sounds.size(), 1);
}

TEST_F(Controller, FailedLookupShowsTheHostUnknownEverywhere)
{
    Layer->RoundTripNs = 20'000'000;
    RunCycle();
    Resolver->Fail("nowhere.test", 11001);
    Ayar->HostEdit->SetText("nowhere.test");
    RunCycle();
    EXPECT_EQ(Log(*Ayar),
              (QStringList{"Resolving host 'nowhere.test'", "Unknown Host 'nowhere.test'"}));
    EXPECT_EQ(Main->Shape1->BrushColor(), clMaroon);
    // The tray follows the lamp, and no display keeps the last good time.
    EXPECT_EQ(Main->TrayIcon1->Icon()->Image(), Main->TrayIcon1->Icons()->Icons(stOff)->Image());
    EXPECT_EQ(Main->Sure->Indicatorstring(), "Host yok");
    EXPECT_EQ(Main->TrayIcon1->Hint(), "ZEMBRA Ping - Host yok");
    EXPECT_EQ(Journal.Last().szTip, "ZEMBRA Ping - Host yok");
    EXPECT_EQ(Sounds.size(), 1);
    EXPECT_TRUE(Ayar->PingButton->isEnabled());
    // With the alarm off it is silent.
    Ayar->CheckBoxAlarm->setProperty("Checked", false);
    RunCycle();
    EXPECT_EQ(Sounds.size(), 1);
}

TEST_F(Controller, CancelDuringLookup)
{
    Resolver->Mode = FakeResolver::Run::Held;
    Ayar->HostEdit->SetText("slow.test");
    Ayar->PingButtonClick(nullptr);
    EXPECT_FALSE(Ayar->PingButton->isEnabled());
    EXPECT_TRUE(Ayar->CancelButton->isEnabled());
    Ayar->CancelButton->Click();
    Pump();
    EXPECT_EQ(Log(*Ayar), (QStringList{"Resolving host 'slow.test'", "Unknown Host 'slow.test'"}));
    EXPECT_TRUE(Ayar->PingButton->isEnabled());
    EXPECT_FALSE(Ayar->CancelButton->isEnabled());
    EXPECT_EQ(Main->Shape1->BrushColor(), clMaroon);
    // A cancel is no verdict on the host: no alarm.
    EXPECT_TRUE(Sounds.isEmpty());
}

// The echo is waited for off the user-interface thread: while it is outstanding, ticks and
// presses start nothing, Vazgeç abandons it, and closing does not wait for its time-out.
TEST_F(Controller, OutstandingEchoBlocksNothingAndCanBeAbandoned)
{
    std::atomic<int> waiting{0};
    Layer->Answer = [&](const IcmpEchoParams& p) {
        ++waiting;
        pollfd cancel{p.CancelFd, POLLIN, 0};
        ::poll(&cancel, 1, 10000); // a host that never answers; only the cancel ends it early
        return FakeIcmpLayer::TimedOut();
    };
    Ayar->SpinEdit3->setProperty("Value", 10000);
    Ayar->PingButtonClick(nullptr);
    ASSERT_TRUE(WaitFor([&] { return waiting == 1; }));
    EXPECT_TRUE(Ayar->Ping1->EchoOutstanding());
    EXPECT_EQ(Log(*Ayar).last(), "Sending 32 bytes to 10.9.8.7 (10.9.8.7)");
    EXPECT_TRUE(Ayar->CancelButton->isEnabled());
    Ayar->Timer1Timer(nullptr);
    Ayar->PingButtonClick(nullptr);
    QCoreApplication::processEvents();
    EXPECT_EQ(Layer->Requests.size(), 2u); // the start-up cycle's and this one
    EXPECT_EQ(Log(*Ayar).size(), 3);

    const auto start = std::chrono::steady_clock::now();
    Ayar->CancelButton->Click();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_FALSE(Ayar->Ping1->EchoOutstanding());
    EXPECT_TRUE(Ayar->PingButton->isEnabled());
    EXPECT_FALSE(Ayar->CancelButton->isEnabled());
    Pump();
    EXPECT_EQ(Log(*Ayar).size(), 3); // no reply event for the abandoned echo
    EXPECT_TRUE(Sounds.isEmpty());

    // The next cycle starts; the program ends with it outstanding, at once, settings saved.
    Ayar->HostEdit->SetText("10.9.8.6");
    Ayar->PingButtonClick(nullptr);
    ASSERT_TRUE(WaitFor([&] { return waiting == 2; }));
    const auto quit = std::chrono::steady_clock::now();
    Ayar.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - quit, std::chrono::seconds(2));
    EXPECT_TRUE(QFile::exists(Config.path() + "/ZmPing2/registry.reg"));
}

TEST_F(Controller, AutomaticPingSwitch)
{
    Layer->RoundTripNs = 15'000'000;
    RunCycle();
    Ayar->CheckBoxPing->setProperty("Checked", true);
    EXPECT_TRUE(Ayar->Timer1->IsRunning());
    EXPECT_EQ(Ayar->Label11->Caption(), "Otomatik Ping Açık");
    // Switching on changes nothing else.
    EXPECT_EQ(Main->Shape1->BrushColor(), clLime);
    EXPECT_EQ(Main->Sure->Indicatorstring(), "15 ms");

    Ayar->CheckBoxPing->setProperty("Checked", false);
    EXPECT_FALSE(Ayar->Timer1->IsRunning());
    EXPECT_EQ(Ayar->Label11->Caption(), "Otomatik Ping Kapalı");
    EXPECT_EQ(Main->Shape1->BrushColor(), clMaroon);
    EXPECT_EQ(Main->Sure->Indicatorstring(), "Kapali");
    EXPECT_EQ(Main->PeakMeter1->Value(), 0);
    EXPECT_EQ(Main->TrayIcon1->Hint(), "ZEMBRA Ping - Kapali");
    EXPECT_EQ(Ayar->LastStatus(), stOff);
}

TEST_F(Controller, SettingsBySetterRunTheirHandlers)
{
    Ayar->SpinEditALT->setProperty("Value", 150);
    EXPECT_EQ(Ayar->Label7->Caption(), "150-700 Arası normal");
    Ayar->SpinEditUST->setProperty("Value", -20);
    EXPECT_EQ(Ayar->Label7->Caption(), "150--20 Arası normal");

    Ayar->SpinEdit1->setProperty("Value", 7);
    EXPECT_EQ(Ayar->Timer1->Interval(), 7000);
    // An interval typed as 0 stops the timer until the field is left.
    Ayar->CheckBoxPing->setProperty("Checked", true);
    Ayar->SpinEdit1->setText("0");
    EXPECT_EQ(Ayar->Timer1->Interval(), 0);
    EXPECT_FALSE(Ayar->Timer1->IsRunning());
    // One typed above the range pings at the range's top until the field becomes it.
    Ayar->SpinEdit1->setText("3000000");
    EXPECT_EQ(Ayar->Timer1->Interval(), 999000);
    EXPECT_TRUE(Ayar->Timer1->IsRunning());

    Ayar->SpinEdit3->setProperty("Value", 2500);
    EXPECT_EQ(Ayar->Ping1->Timeout(), 2500);
    // A packet size typed above the range is used as typed.
    Ayar->SpinEditPingSize->setText("2000");
    EXPECT_EQ(Ayar->Ping1->Size(), 2000);
}

TEST_F(Controller, MissingHostReportsAreHeldBackWhileOneIsOpen)
{
    Ayar->HostEdit->SetText("");
    const QStringList before = Log(*Ayar);
    int nested = 0;
    // While the first report is open, timer ticks ask for more cycles.
    SetMessageBoxHook([&](const QString& text) {
        Messages << text;
        if (nested++ < 3)
            Ayar->Timer1Timer(nullptr);
    });
    Ayar->PingButtonClick(nullptr);
    EXPECT_EQ(Messages, QStringList{"Host Adresi Girmelisiniz"});
    EXPECT_EQ(Log(*Ayar), before);
    EXPECT_EQ(Main->LabelHost->Caption(), "");
    // Once it is closed, the next tick reports again.
    Ayar->Timer1Timer(nullptr);
    EXPECT_EQ(Messages.size(), 2);
}

TEST_F(Controller, LookupThatCannotStartIsReported)
{
    Resolver->StartError = 10055;
    Ayar->HostEdit->SetText("busy.test");
    Ayar->PingButton->Click();
    ASSERT_EQ(Messages.size(), 1);
    EXPECT_TRUE(Messages[0].contains("busy.test: can't start DNS lookup"))
        << Messages[0].toStdString();
    // The buttons stay in the looking-up state.
    EXPECT_FALSE(Ayar->PingButton->isEnabled());
}
