// ctest-labels: gui
#include "AppFixture.h"

#include "controls/LiquidIndicator.h"
#include "controls/Spin.h"
#include "controls/peakmeter.h"
#include "shell/TrayShell.h"

#include <QTest>

class MainWindow : public AppFixture {
protected:
    void Begin()
    {
        Build();
        Ayar->HostEdit->SetText("10.9.8.7");
        Start();
        Pump();
    }
    // Presses a key in a window as the user would: the window is made active first.
    void Key(QWidget* w, Qt::Key key)
    {
        w->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(w));
        QTest::keyClick(w, key);
        Pump();
    }
};

TEST_F(MainWindow, MenuItemsInOrder)
{
    Begin();
    QStringList texts;
    for (QAction* a : Main->PopupMenu1->actions())
        texts << (a->isSeparator() ? QStringLiteral("-") : a->text());
    EXPECT_EQ(texts, (QStringList{"Ayarlar\tF5", "Gizle (Esc)", "-", "localhost", "-",
                                  "İstatistikler", "Alarmı bir saat sustur", "Bağlantı uyarıları",
                                  "IPv6 adresini tercih et", "Geçmiş klasörünü aç",
                                  "Prometheus ölçüm dosyası...", "Oturum açılınca başlat", "Geçmiş",
                                  "Dil / Language", "-", "Programı Kapat "}));
    EXPECT_EQ(Main->windowTitle(), "ZEMBRA Ping s2.04f");
    EXPECT_EQ(Main->TrayIcon1->PopupMenu(), Main->PopupMenu1);
}

TEST_F(MainWindow, ShowingResetsAndPingsOnce)
{
    Begin();
    EXPECT_EQ(Layer->Requests.size(), 1u);
    EXPECT_EQ(Main->LabelHost->Caption(), "10.9.8.7");
    EXPECT_TRUE(Main->Gizle1->isVisible());
    // The tool window keeps the program off the task bar while the tray holds its icon.
    EXPECT_TRUE(Main->windowFlags().testFlag(Qt::Tool));
    EXPECT_TRUE(Journal.Shown);
}

TEST_F(MainWindow, EscHidesTheSettingsWindowFirst)
{
    Begin();
    Key(Main.get(), Qt::Key_F5);
    ASSERT_TRUE(Ayar->isVisible());
    Key(Ayar.get(), Qt::Key_Escape);
    EXPECT_FALSE(Ayar->isVisible());
    EXPECT_TRUE(Main->isVisible());
    Key(Main.get(), Qt::Key_Escape);
    EXPECT_FALSE(Main->isVisible());
    EXPECT_EQ(Main->Gizle1->text(), "Göster");
    EXPECT_TRUE(Main->Gizle1->isVisible());
    // The menu item brings it back, with a fresh cycle.
    const auto before = Layer->Requests.size();
    Main->Gizle1->trigger();
    Pump();
    EXPECT_TRUE(Main->isVisible());
    EXPECT_EQ(Main->Gizle1->text(), "Gizle (Esc)");
    EXPECT_EQ(Layer->Requests.size(), before + 1);
}

TEST_F(MainWindow, CloseBoxHidesAndTrayDoubleClickRestores)
{
    Begin();
    Layer->RoundTripNs = 15'000'000;
    Ayar->PingButtonClick(nullptr);
    Pump();
    ASSERT_EQ(Main->Sure->Indicatorstring(), "15 ms");
    Main->close();
    EXPECT_FALSE(Main->isVisible());
    EXPECT_FALSE(Main->Gizle1->isVisible());
    EXPECT_FALSE(Main->QuitFlag());

    Journal.Send(WM_LBUTTONDBLCLK);
    Journal.Send(WM_LBUTTONUP);
    Pump();
    EXPECT_TRUE(Main->isVisible());
    EXPECT_TRUE(Main->Gizle1->isVisible());
    EXPECT_EQ(Main->Gizle1->text(), "Gizle (Esc)");
    // The showing reset the status to off, then pinged once more.
    EXPECT_EQ(Main->Sure->Indicatorstring(), "15 ms");
    EXPECT_EQ(Layer->Requests.size(), 3u);
}

TEST_F(MainWindow, ReadoutShowsItsPanelsBlackBetweenTheDots)
{
    Begin();
    Layer->RoundTripNs = 15'000'000;
    Ayar->PingButtonClick(nullptr);
    const QImage shot = Main->grab().toImage();
    const QRect readout(Main->Sure->mapTo(Main.get(), QPoint(0, 0)), Main->Sure->size());
    int lime = 0, other = 0;
    for (int y = readout.top(); y <= readout.bottom(); ++y)
        for (int x = readout.left(); x <= readout.right(); ++x) {
            const QRgb p = shot.pixel(x, y);
            lime += p == 0xFF00FF00;
            other += p != 0xFF00FF00 && p != 0xFF000000 && p != 0xFF202020;
        }
    EXPECT_GT(lime, 0) << "the lit dots of '15 ms'";
    EXPECT_EQ(other, 0) << "only lime dots, black and the light bevel tone";
}

TEST_F(MainWindow, TrayDoubleClickClosesOpenSettingsFirst)
{
    Begin();
    Main->AyarlarClick(nullptr);
    Journal.Send(WM_LBUTTONDBLCLK);
    Pump();
    EXPECT_FALSE(Ayar->isVisible());
    EXPECT_TRUE(Main->isVisible());
}

TEST_F(MainWindow, QuitDuringLookupCancelsItFirst)
{
    Begin();
    Resolver->Mode = FakeResolver::Run::Held;
    Ayar->HostEdit->SetText("slow.test");
    Ayar->PingButtonClick(nullptr);
    Main->Kapat1->trigger();
    EXPECT_TRUE(Main->QuitFlag());
    EXPECT_EQ(Ayar->DisplayMemo->Lines().last(), "Unknown Host 'slow.test'");
    EXPECT_TRUE(Ayar->PingButton->isEnabled());
}

TEST_F(MainWindow, RightClickOnTheMeterOpensTheMenu)
{
    Begin();
    QList<QPoint> opened;
    Main->PopupAt = [&](QPoint p) { opened << p; };
    QTest::mouseClick(Main->PeakMeter1, Qt::LeftButton, {}, QPoint(40, 50));
    QTest::mouseClick(Main->PeakMeter1, Qt::MiddleButton, {}, QPoint(40, 50));
    EXPECT_TRUE(opened.isEmpty());
    QTest::mouseClick(Main->PeakMeter1, Qt::RightButton, {}, QPoint(40, 50));
    ASSERT_EQ(opened.size(), 1);
    // Taken from the window's client origin, so 31 pixels above the pointer.
    EXPECT_EQ(opened[0], Main->mapToGlobal(QPoint(40, 50)));
    EXPECT_EQ(opened[0], Main->PeakMeter1->mapToGlobal(QPoint(40, 50 - 31)));
}

TEST_F(MainWindow, WebSiteItemOpensTheHost)
{
    Begin();
    QStringList opened;
    Main->OpenSite = [&](const QString& host) { opened << host; };
    Main->WebSite1->trigger();
    EXPECT_EQ(opened, QStringList{"localhost"});
}

TEST_F(MainWindow, StayOnTopDoesNotRestartTheCycle)
{
    Begin();
    const auto before = Layer->Requests.size();
    Ayar->CheckBoxStay->setProperty("Checked", true);
    Pump();
    EXPECT_TRUE(Main->StaysOnTop());
    EXPECT_TRUE(Main->isVisible());
    EXPECT_EQ(Layer->Requests.size(), before);
    Ayar->CheckBoxStay->setProperty("Checked", false);
    EXPECT_FALSE(Main->StaysOnTop());
}

TEST_F(MainWindow, WithoutNotificationAreaHidingMinimises)
{
    Journal.Available = false;
    Begin();
    EXPECT_FALSE(Main->KeepsOffTaskBar());
    EXPECT_FALSE(Main->windowFlags().testFlag(Qt::Tool));
    Main->Gizle1Click(nullptr);
    EXPECT_TRUE(Main->isVisible());
    EXPECT_TRUE(Main->isMinimized());
    EXPECT_EQ(Main->Gizle1->text(), "Göster");
    const auto before = Layer->Requests.size();
    Main->Gizle1Click(nullptr);
    Pump();
    EXPECT_FALSE(Main->isMinimized());
    EXPECT_EQ(Main->Gizle1->text(), "Gizle (Esc)");
    EXPECT_EQ(Layer->Requests.size(), before + 1);
    Main->close();
    EXPECT_TRUE(Main->isVisible());
    EXPECT_TRUE(Main->isMinimized());
}

TEST_F(MainWindow, NotificationAreaGoingAwayPutsAHiddenWindowOnTheTaskBar)
{
    Begin();
    Main->Gizle1Click(nullptr);
    ASSERT_FALSE(Main->isVisible());
    const auto before = Layer->Requests.size();

    Journal.SetAvailable(false);
    Pump();
    // Not lost: minimised with a task-bar button, and the settings window gets one too.
    EXPECT_FALSE(Main->KeepsOffTaskBar());
    EXPECT_FALSE(Main->windowFlags().testFlag(Qt::Tool));
    EXPECT_TRUE(Main->isVisible());
    EXPECT_TRUE(Main->isMinimized());
    EXPECT_FALSE(Ayar->windowFlags().testFlag(Qt::Tool));
    EXPECT_EQ(Layer->Requests.size(), before); // putting it there is no showing
    // Restoring it from the task bar is a new showing, which pings once.
    Main->showNormal();
    Pump();
    EXPECT_TRUE(Main->IsShownToUser());
    EXPECT_EQ(Layer->Requests.size(), before + 1);
    // From now on hiding minimises.
    Main->Gizle1Click(nullptr);
    EXPECT_TRUE(Main->isVisible());
    EXPECT_TRUE(Main->isMinimized());
}

TEST_F(MainWindow, NotificationAreaComingOrGoingLeavesAShownWindowShown)
{
    Begin();
    const auto before = Layer->Requests.size();
    Journal.SetAvailable(false);
    Pump();
    EXPECT_TRUE(Main->IsShownToUser());
    EXPECT_FALSE(Main->windowFlags().testFlag(Qt::Tool));
    Journal.SetAvailable(true);
    Pump();
    EXPECT_TRUE(Main->IsShownToUser());
    EXPECT_TRUE(Main->KeepsOffTaskBar());
    EXPECT_TRUE(Main->windowFlags().testFlag(Qt::Tool));
    // Neither change counted as a showing.
    EXPECT_EQ(Layer->Requests.size(), before);
    // The same report twice changes nothing.
    Journal.SetAvailable(true);
    EXPECT_TRUE(Main->IsShownToUser());
}

TEST_F(MainWindow, NotificationAreaAppearingTakesAMinimisedWindowIntoIt)
{
    Journal.Available = false;
    Begin();
    Main->Gizle1Click(nullptr);
    ASSERT_TRUE(Main->isMinimized());

    Journal.SetAvailable(true);
    Pump();
    EXPECT_TRUE(Main->KeepsOffTaskBar());
    EXPECT_TRUE(Main->windowFlags().testFlag(Qt::Tool));
    EXPECT_FALSE(Main->isVisible());
    // A double click on the tray icon brings it back, as a new showing.
    const auto before = Layer->Requests.size();
    Main->Gizle1Click(nullptr);
    Pump();
    EXPECT_TRUE(Main->IsShownToUser());
    EXPECT_EQ(Layer->Requests.size(), before + 1);
    EXPECT_EQ(Main->Gizle1->text(), "Gizle (Esc)");
}

TEST_F(MainWindow, OpenSettingsWindowKeepsItsEditsWhenTheAreaChanges)
{
    Begin();
    Main->AyarlarClick(nullptr);
    ASSERT_TRUE(Ayar->isVisible());
    Ayar->HostEdit->SetText("192.0.2.1"); // typed, not yet saved
    Journal.SetAvailable(false);
    Pump();
    EXPECT_TRUE(Ayar->isVisible());
    EXPECT_EQ(Ayar->HostEdit->Text(), "192.0.2.1");
    EXPECT_TRUE(Ayar->windowFlags().testFlag(Qt::Tool)); // changes once it is closed
    Ayar->hide();
    Main->AyarlarClick(nullptr);
    EXPECT_TRUE(Ayar->isVisible());
    EXPECT_FALSE(Ayar->windowFlags().testFlag(Qt::Tool));
}

TEST_F(MainWindow, EnterInTheHostFieldPingsAndClosingTheSettingsAppliesThem)
{
    Begin();
    Main->AyarlarClick(nullptr);
    Ayar->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Ayar.get()));
    Ayar->HostEdit->setFocus();
    const auto before = Layer->Requests.size();
    QTest::keyClick(Ayar->HostEdit, Qt::Key_Return);
    Pump();
    EXPECT_EQ(Layer->Requests.size(), before + 1);

    // A size typed beyond the range is used as typed; closing hands the settings over again.
    Ayar->SpinEditPingSize->setText("64");
    Ayar->Ping1->SetSize(1);
    Ayar->CheckBoxPing->setProperty("Checked", true);
    Ayar->Timer1->SetEnabled(false);
    Ayar->BitBtn1->Click();
    EXPECT_FALSE(Ayar->isVisible());
    EXPECT_EQ(Ayar->Ping1->Size(), 64);
    EXPECT_TRUE(Ayar->Timer1->Enabled());
}
