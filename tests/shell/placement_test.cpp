// ctest-labels: gui
#include "framework/MessageBox.h"
#include "framework/ProfileFile.h"
#include "shell/Placement.h"
#include "support/TempConfig.h"

#include <QApplication>
#include <QGuiApplication>
#include <QLineEdit>
#include <QScreen>
#include <QWidget>
#include <gtest/gtest.h>

namespace {
class TPlacementTestForm : public QWidget {
    Q_OBJECT
public:
    TPlacementTestForm() { setGeometry(100, 120, 300, 200); }
};

class PlacementTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetMessageBoxHook([this](const QString& t) { Messages << t; });
    }
    void TearDown() override
    {
        SetMessageBoxHook({});
        TFormPlacement::SetMainForm(nullptr);
        EXPECT_TRUE(Messages.isEmpty()) << Messages.join('\n').toStdString();
    }
    TFormPlacement* Make(QWidget& form)
    {
        auto* p = new TFormPlacement(&form);
        p->SetIniFileName("ZmPing2.INI");
        p->Loaded();
        return p;
    }
    void Put(const QString& name, const QString& value)
    {
        TIniFile("ZmPing2.INI").WriteString(Section, name, value);
    }
    QString Get(const QString& name)
    {
        return TIniFile("ZmPing2.INI").ReadString(Section, name, "<missing>");
    }
    static QString Suffix() { return TFormPlacement::ScreenSizeSuffix(); }
    static int Ppi() { return TFormPlacement::ScreenPixelsPerInch(); }
    TTempConfig Config;
    QStringList Messages;
    const QString Section = "TPlacementTestForm";
};
} // namespace

TEST_F(PlacementTest, SaveWritesThePlacementValuesInOrder)
{
    TPlacementTestForm form;
    TFormPlacement* p = Make(form);
    EXPECT_EQ(p->Options(), TPlacementOptions(fpState) | fpPosition);
    p->LoadFromStore();
    p->SaveToStore();
    QByteArray text;
    QFile f(Config.Folder() + "/ZmPing2.INI");
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    text = f.readAll();
    const QString s = Suffix();
    const QString expected = QString("[TPlacementTestForm]\nFormVersion=0\nFlags=0\nShowCmd=1\n"
                                     "PixelsPerInch=%1\nMinMaxPos%2=-1,-1,-4,-4\n"
                                     "MinMaxPos=-1,-1,-4,-4\nNormPos%2=100,120,400,320\n"
                                     "NormPos=100,120,400,320\nVisible=0\n")
                                 .arg(Ppi())
                                 .arg(s);
    EXPECT_EQ(QString::fromUtf8(text).toStdString(), expected.toStdString());
    EXPECT_TRUE(s.startsWith('(') && s.contains('x'));
}

TEST_F(PlacementTest, StoredRectangleIsAppliedBeforeTheShow)
{
    struct Case {
        const char* norm;
        bool fixed;
        QRect expected;
    } cases[] = {
        {"50,60,250,260", false, QRect(50, 60, 200, 200)},
        {"100,50", false, QRect(100, 50, 300, 270)}, // right and bottom stay where they were
        {" 30 ,, 40 x", false, QRect(30, 40, 370, 280)},
        {"100,50,100,300", false, QRect(100, 120, 300, 200)}, // right not beyond left: no move
        {"40,30,1000,900", true, QRect(40, 30, 300, 200)},    // fixed size: position only
    };
    for (const Case& c : cases) {
        Put("NormPos", c.norm);
        TPlacementTestForm form;
        if (c.fixed)
            form.setFixedSize(300, 200);
        Make(form);
        form.show();
        EXPECT_EQ(form.geometry(), c.expected) << c.norm;
    }
}

TEST_F(PlacementTest, NamesWithTheScreenSuffixComeFirstAndThePlainOnesStandIn)
{
    Put("NormPos(1x1)", "1,1,201,201");
    Put("NormPos", "50,60,250,260");
    TPlacementTestForm form;
    TFormPlacement* p = Make(form);
    form.show();
    EXPECT_EQ(form.geometry(), QRect(50, 60, 200, 200));
    form.setGeometry(70, 80, 200, 200); // the client area is stored, not the frame
    form.close();
    EXPECT_EQ(Get("NormPos(1x1)"), "1,1,201,201");
    EXPECT_EQ(Get("NormPos" + Suffix()), "70,80,270,280");
    EXPECT_EQ(Get("NormPos"), "70,80,270,280");
    Put("NormPos", "5,5,205,205"); // the pair for this screen wins over the plain one
    p->LoadFromStore();
    EXPECT_EQ(form.geometry(), QRect(70, 80, 200, 200));
}

TEST_F(PlacementTest, PositionNeedsTheSamePixelsPerInchButTheStateDoesNot)
{
    Put("NormPos", "50,60,250,260");
    Put("PixelsPerInch", QString::number(Ppi() + 24));
    Put("ShowCmd", "3");
    TPlacementTestForm form;
    Make(form);
    form.show();
    EXPECT_TRUE(form.isMaximized());
    EXPECT_EQ(form.normalGeometry().topLeft(), QPoint(100, 120));
}

TEST_F(PlacementTest, ShowCommandsGiveTheWindowsState)
{
    struct Case {
        const char* cmd;
        const char* expected; // state after the show, then after the queued events
    } cases[] = {
        {"1", "normal/normal"}, {"5", "normal/normal"},  {"9", "normal/normal"},
        {"3", "max/max"},       {"2", "normal/min"},     {"6", "normal/min"},
        {"7", "normal/min"},    {"0", "normal/normal"},  {"4", "normal/normal"},
        {"8", "normal/normal"}, {"-3", "normal/normal"}, {"x", "normal/normal"},
    };
    auto state = [](const QWidget& w) {
        return w.isMinimized() ? "min" : w.isMaximized() ? "max" : "normal";
    };
    for (const Case& c : cases) {
        Put("ShowCmd", c.cmd);
        TPlacementTestForm form;
        TFormPlacement::SetMainForm(&form);
        Make(form);
        form.show();
        QString got = state(form);
        QApplication::processEvents();
        got += QString("/") + state(form);
        EXPECT_EQ(got.toStdString(), c.expected) << "ShowCmd " << c.cmd;
    }
}

TEST_F(PlacementTest, RectangleThatNoScreenShowsIsBroughtOntoTheNearestScreen)
{
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    Put("NormPos", QString("%1,%2,%3,%4")
                       .arg(screen.right() + 5000)
                       .arg(screen.bottom() + 4000)
                       .arg(screen.right() + 5300)
                       .arg(screen.bottom() + 4200));
    TPlacementTestForm form;
    Make(form);
    form.show();
    EXPECT_TRUE(screen.contains(form.geometry()))
        << form.geometry().x() << "," << form.geometry().y();
    EXPECT_EQ(form.size(), QSize(300, 200));

    // Numbers at the integer limits, for a sizeable and a fixed-size window.
    for (const bool fixed : {false, true}) {
        for (const char* norm : {"-2147483648,0,2147483647,100", "2147483600,2147483647,0,0",
                                 "2147483647,-2147483648,2147483647,2147483647"}) {
            Put("NormPos", norm);
            TPlacementTestForm other;
            if (fixed)
                other.setFixedSize(300, 200);
            Make(other);
            other.show();
            if (fixed || QString(norm).startsWith('-')) {
                EXPECT_TRUE(screen.intersects(other.geometry())) << norm;
            } else {
                EXPECT_EQ(other.geometry(), QRect(100, 120, 300, 200)) << norm << ": not moved";
            }
        }
    }
}

TEST_F(PlacementTest, StorageWithoutPlacementOptionsNeverMovesItsWindow)
{
    Put("NormPos", "50,60,250,260");
    Put("ShowCmd", "3");
    TPlacementTestForm form;
    TFormPlacement* p = Make(form);
    p->SetOptions({});
    form.show();
    EXPECT_EQ(form.geometry(), QRect(100, 120, 300, 200));
    EXPECT_FALSE(form.isMaximized());
    form.close();
    EXPECT_EQ(Get("Flags"), "<missing>");
    EXPECT_EQ(Get("Visible"), "<missing>");
    EXPECT_EQ(Get("FormVersion"), "0");
}

TEST_F(PlacementTest, WordsOfMinMaxPosDefaultToZero)
{
    Put("MinMaxPos", "7, x,,-9");
    TPlacementTestForm form;
    TFormPlacement* p = Make(form);
    p->LoadFromStore();
    EXPECT_EQ(p->MinPosition(), QPoint(7, 0));
    // The maximized position is set again from the frame once the load is done.
    EXPECT_EQ(p->MaxPosition(), QPoint(-4, -4));
    form.setFixedSize(300, 200);
    p->AdjustMaximizedPosition();
    EXPECT_EQ(p->MaxPosition(), QPoint(-1, -1));
}

TEST_F(PlacementTest, SaveFromDestructionMarksVisible)
{
    {
        TPlacementTestForm form;
        TFormPlacement* p = Make(form);
        p->LoadFromStore();
        p->FormDestroyHook();
        EXPECT_TRUE(p->Saved());
    }
    EXPECT_EQ(Get("Visible"), "1");
}

TEST_F(PlacementTest, PreventResizeFixesTheSizeAndRemovesTheMaximizeButton)
{
    TPlacementTestForm form;
    TFormPlacement* p = Make(form);
    form.show();
    p->SetPreventResize(true);
    EXPECT_EQ(form.minimumSize(), QSize(300, 200));
    EXPECT_EQ(form.maximumSize(), QSize(300, 200));
    EXPECT_FALSE(form.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(form.isVisible());
    p->SetPreventResize(false);
    EXPECT_EQ(form.minimumSize(), QSize(0, 0));
    EXPECT_TRUE(form.windowFlags() & Qt::WindowMaximizeButtonHint);

    p->MinMaxInfo()->SetMinTrackWidth(250);
    p->MinMaxInfo()->SetMaxTrackHeight(400);
    EXPECT_EQ(form.minimumWidth(), 250);
    EXPECT_EQ(form.maximumHeight(), 400);
    EXPECT_EQ(form.minimumHeight(), 0);
    p->MinMaxInfo()->SetMinTrackWidth(0);
    p->MinMaxInfo()->SetMaxTrackHeight(0);
    EXPECT_EQ(form.minimumWidth(), 0);
    EXPECT_EQ(form.maximumHeight(), QWIDGETSIZE_MAX);
}

TEST_F(PlacementTest, ActiveControlIsKeptWhenAsked)
{
    {
        TPlacementTestForm form;
        auto* edit = new QLineEdit(&form);
        edit->setObjectName("HostEdit");
        new QLineEdit(&form);
        TFormPlacement* p = Make(form);
        p->SetOptions(p->Options() | fpActiveControl);
        p->LoadFromStore();
        edit->setFocus();
        p->SaveToStore();
    }
    EXPECT_EQ(Get("ActiveControl"), "HostEdit");
    TPlacementTestForm form;
    auto* first = new QLineEdit(&form);
    auto* edit = new QLineEdit(&form);
    edit->setObjectName("hostedit");
    first->setFocus();
    TFormPlacement* p = Make(form);
    p->SetOptions(p->Options() | fpActiveControl);
    p->LoadFromStore();
    EXPECT_EQ(form.focusWidget(), edit);
}

#include "placement_test.moc"
