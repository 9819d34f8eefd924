// ctest-labels: gui
// The controller's samples and what the program does with them: line alerts, silencing the
// alarm, the statistics window, and where the monitor's choices are stored.
#include "AppFixture.h"

#include "app/IstatistikForm.h"
#include "app/MonitorMenu.h"
#include "controls/LiquidIndicator.h"
#include "framework/RegistryFile.h"
#include "monitor/SampleHub.h"
#include "monitor/StatsText.h"
#include "net/icmp.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTest>

using namespace Monitor;

class LineMonitor : public AppFixture {
protected:
    void SetUp() override
    {
        AppFixture::SetUp();
        Build();
        Start();
        Pump();
        Ayar->HostEdit->SetText("10.9.8.7");
        Hub = Ayar->SampleHub1;
        Hub->Listen([this](const TSample& s) { Samples.push_back(s); });
        Samples.clear();
        // The start-up cycle may already have sounded (its host is unknown to the fake resolver).
        Sounds.clear();
    }
    void Cycle(bool answer)
    {
        if (answer)
            Layer->Answer = nullptr;
        else
            Layer->Answer = [](const IcmpEchoParams&) { return FakeIcmpLayer::TimedOut(); };
        Ayar->PingButtonClick(nullptr);
        Pump();
    }
    static QString Key(const QString& section)
    {
        return "HKEY_CURRENT_USER\\Software\\" +
               QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName() + '\\' +
               section;
    }
    TSampleHub* Hub = nullptr;
    std::vector<TSample> Samples;
};

TEST_F(LineMonitor, EveryCycleBecomesOneSample)
{
    Layer->RoundTripNs = 15'432'100;
    Cycle(true);
    Cycle(false);
    Layer->Answer = [](const IcmpEchoParams&) {
        return FakeIcmpLayer::ErrorMessage(Ip("10.9.8.1"), IcmpStatus::DestHostUnreachable);
    };
    Ayar->PingButtonClick(nullptr);
    Pump();
    Resolver->Fail("nowhere.test", 11001);
    Ayar->HostEdit->SetText("nowhere.test");
    Ayar->PingButtonClick(nullptr);
    Pump();

    ASSERT_EQ(Samples.size(), 4u);
    EXPECT_EQ(Samples[0].Outcome, TOutcome::Good);
    EXPECT_NEAR(Samples[0].RoundTripUs, 15432.1, 0.01) << "the precise figure, not 15 ms";
    EXPECT_EQ(Samples[0].Host, "10.9.8.7");
    EXPECT_EQ(Samples[0].Address, "10.9.8.7");
    EXPECT_EQ(Samples[1].Outcome, TOutcome::Lost);
    EXPECT_FALSE(Samples[1].HasReply());
    EXPECT_EQ(Samples[1].StatusText, "Request timed out");
    EXPECT_EQ(Samples[2].Outcome, TOutcome::Failed);
    EXPECT_EQ(Samples[2].StatusCode, IcmpStatus::DestHostUnreachable);
    EXPECT_EQ(Samples[3].Outcome, TOutcome::UnknownHost);
    EXPECT_EQ(Samples[3].StatusCode, 11001);
    EXPECT_TRUE(Samples[3].Time.isValid());
    // A cancelled lookup is the user's doing, not the line's.
    Resolver->Mode = FakeResolver::Run::Held;
    Ayar->PingButtonClick(nullptr);
    Ayar->CancelButtonClick(nullptr);
    Pump();
    EXPECT_EQ(Samples.size(), 4u);
}

TEST_F(LineMonitor, OneNotificationWhenTheLineGoesDownAndOneWhenItComesBack)
{
    Cycle(true);
    Cycle(false);
    Cycle(false);
    EXPECT_TRUE(Notices.isEmpty());
    Cycle(false);
    EXPECT_EQ(Notices, QStringList{"10.9.8.7: bağlantı kesildi (yanıt yok)"});
    Cycle(false);
    Cycle(true);
    Cycle(false);
    Cycle(true);
    EXPECT_EQ(Notices.size(), 1);
    Cycle(true);
    ASSERT_EQ(Notices.size(), 2);
    EXPECT_TRUE(Notices[1].startsWith("10.9.8.7: bağlantı geri geldi (kesinti "))
        << Notices[1].toStdString();

    // Switched off from the menu: the line still goes down, silently.
    Main->MonitorMenu1->Uyarilar1->trigger();
    EXPECT_FALSE(Hub->AlertsOn());
    for (int i = 0; i < 4; ++i)
        Cycle(false);
    EXPECT_TRUE(Hub->Alert().Down());
    EXPECT_EQ(Notices.size(), 2);
}

TEST_F(LineMonitor, SilenceHoldsTheAlarmForAnHourAndIsStoredApart)
{
    QDateTime now = QDateTime::currentDateTime();
    Hub->Now = [&] { return now; };
    Cycle(false);
    EXPECT_EQ(Sounds.size(), 1);

    Main->MonitorMenu1->AlarmSustur1->trigger();
    Cycle(false);
    EXPECT_EQ(Sounds.size(), 1) << "silenced";
    Main->MonitorMenu1->UpdateItems();
    EXPECT_TRUE(Main->MonitorMenu1->AlarmSustur1->isChecked());

    const TRegistryData reg = TRegistryFile().Read();
    const TRegKey* options = reg.FindKey(Key("Options"));
    ASSERT_TRUE(options);
    const TRegValue* until = reg.FindValue(Key("Options"), "SilencedUntil");
    ASSERT_TRUE(until);
    // Stored to the second.
    EXPECT_EQ(QDateTime::fromString(until->Text, Qt::ISODate).toSecsSinceEpoch(),
              now.addSecs(3600).toSecsSinceEpoch());

    now = now.addSecs(3601);
    Cycle(false);
    EXPECT_EQ(Sounds.size(), 2) << "the silence ended by itself";
    Main->MonitorMenu1->UpdateItems();
    EXPECT_FALSE(Main->MonitorMenu1->AlarmSustur1->isChecked());

    // The settings window's key keeps exactly its own values.
    Ayar.reset();
    const TRegistryData after = TRegistryFile().Read();
    const TRegKey* settings = after.FindKey(Key("TAyarF"));
    ASSERT_TRUE(settings);
    EXPECT_EQ(settings->Values.size(), 11);
}

TEST_F(LineMonitor, StatisticsWindowShowsTheLossLiveAndCopiesItAsText)
{
    Main->MonitorMenu1->Istatistikler1->trigger();
    TIstatistikF* w = Main->MonitorMenu1->Window();
    ASSERT_TRUE(w);
    EXPECT_TRUE(w->isVisible());
    for (bool answer : {true, true, false, true, true, false})
        Cycle(answer);
    EXPECT_EQ(w->Names[2]->Caption(), "Kayıp");
    EXPECT_EQ(w->SessionValues[2]->Caption(), "%33,3");
    EXPECT_EQ(w->WindowValues[0]->Caption(), "6");
    EXPECT_EQ(w->LabelHost->Caption(), "Host: 10.9.8.7");

    w->CopyButton->Click();
    const QString copied = QGuiApplication::clipboard()->text();
    EXPECT_TRUE(copied.startsWith(StatsText(Hub->Statistics()))) << copied.toStdString();
    EXPECT_TRUE(copied.endsWith("\nArama kalitesi (son 20 döngü): MOS -, henüz bilinmiyor\n"))
        << "six cycles are too few to judge a call by";
    EXPECT_TRUE(copied.contains("Kayıp               %33,3           %33,3"))
        << copied.toStdString();

    // Its place is kept like the main window's: a new window shows where this one was closed.
    w->move(123, 45);
    w->close();
    TIstatistikF again(Hub, Qt::Window);
    again.show();
    EXPECT_EQ(again.pos(), QPoint(123, 45));
}

TEST_F(LineMonitor, PreferringIPv6FromTheMenuPingsADualStackNameOnIPv6AndIsStored)
{
    Resolver->Answer("dual.test", "10.9.8.7");
    Resolver->Answer6("dual.test", "fd00::7");
    Ayar->HostEdit->SetText("dual.test");
    Cycle(true);
    Main->MonitorMenu1->IPv6Tercih1->trigger();
    Cycle(true);
    ASSERT_EQ(Samples.size(), 2u);
    EXPECT_EQ(Samples[0].Address, "10.9.8.7");
    EXPECT_EQ(Samples[1].Address, "fd00::7");
    EXPECT_EQ(Ayar->DisplayMemo->Lines().last(), "Received 32 bytes from fd00::7 in 12 ms");
    Main->MonitorMenu1->UpdateItems();
    EXPECT_TRUE(Main->MonitorMenu1->IPv6Tercih1->isChecked());
    const TRegValue* stored = TRegistryFile().Read().FindValue(Key("Options"), "PreferIPv6");
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->Text, "1");
}

// Typing "127.0.0.9" pings "1", "12" ... on the way: those cycles are shown but are no samples,
// raise no alert and sound no alarm, until the text is confirmed.
TEST_F(LineMonitor, AHostBeingTypedIsNoSampleUntilConfirmed)
{
    Ayar->show();
    Ayar->HostEdit->setFocus();
    Ayar->HostEdit->selectAll();
    QTest::keyClicks(Ayar->HostEdit, "12");
    for (int i = 0; i < 4; ++i)
        Cycle(false); // timer ticks while the user types
    EXPECT_TRUE(Samples.empty());
    EXPECT_TRUE(Notices.isEmpty());
    EXPECT_TRUE(Sounds.isEmpty());
    EXPECT_EQ(Main->Sure->Indicatorstring(), "Time out") << "the window still shows the cycle";

    // Enter confirms it (and starts a cycle), as leaving the field would.
    Layer->Answer = [](const IcmpEchoParams&) { return FakeIcmpLayer::TimedOut(); };
    QTest::keyClick(Ayar->HostEdit, Qt::Key_Return);
    Pump();
    ASSERT_EQ(Samples.size(), 1u);
    EXPECT_EQ(Samples[0].Host, "12");
    EXPECT_EQ(Sounds.size(), 1);

    // Typing again, then leaving the window by hiding it, confirms as well.
    QTest::keyClicks(Ayar->HostEdit, "7");
    Cycle(false);
    EXPECT_EQ(Samples.size(), 1u);
    Ayar->hide();
    Cycle(false);
    EXPECT_EQ(Samples.size(), 2u);
}
