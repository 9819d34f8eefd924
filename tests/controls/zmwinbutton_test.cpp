// ctest-labels: gui
#include "controls/ZmButtonLayout.h"
#include "controls/ZmButtonState.h"
#include "controls/ZmWinButton.h"
#include "framework/GdiDraw.h"

#include <QApplication>
#include <QCursor>
#include <QDialog>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

using ZmButton::PlaceContent;
using ZmButton::TContentInput;

// ---- placement ---------------------------------------------------------------------------------

TEST(ZmButtonLayout, PicturePositionsForEveryAlignment)
{
    // An 82 x 24 button, a 16 x 16 picture, a caption 40 (or 41) wide and 13 high.
    struct Case {
        const char* name;
        TPicPos align;
        int tw, offset;
        QPoint picture, caption;
    };
    const Case cases[] = {
        {"left", poLeft, 40, 0, {12, 4}, {33, 6}},
        {"left, pressed", poLeft, 40, 2, {14, 6}, {35, 8}},
        // (16 - 41) div 2 truncates to -12, not -13.
        {"left, odd caption", poLeft, 41, 0, {12, 4}, {33, 6}},
        {"right", poRight, 40, 0, {57, 4}, {12, 6}},
        {"top", poTop, 40, 0, {33, -4}, {21, 15}},
        {"bottom", poBottom, 40, 0, {33, 10}, {21, -3}},
        {"bottom, pressed", poBottom, 40, 2, {35, 12}, {23, -1}},
    };
    for (const Case& c : cases) {
        TContentInput in;
        in.W = 82, in.H = 24, in.GW = 16, in.GH = 16, in.tw = c.tw, in.th = 13;
        in.HasPicture = true;
        in.Align = c.align;
        in.Offset = c.offset;
        const auto at = PlaceContent(in);
        EXPECT_TRUE(at.DrawPicture && at.DrawCaption) << c.name;
        EXPECT_EQ(at.Picture, c.picture) << c.name;
        EXPECT_EQ(at.Caption, c.caption) << c.name;
    }
}

TEST(ZmButtonLayout, CaptionAloneOrPictureAlone)
{
    struct Case {
        const char* name;
        bool picture, showCaption, captionEmpty;
        int offset;
        bool drawPicture, drawCaption;
        QPoint at; // the caption's place, or the picture's when it stands alone
    };
    const Case cases[] = {
        {"caption only", false, true, false, 0, false, true, {21, 6}},
        {"caption only, pressed", false, true, false, 2, false, true, {23, 8}},
        {"nothing to draw", false, false, false, 0, false, false, {}},
        {"picture, caption hidden", true, false, false, 0, true, false, {33, 4}},
        {"picture, empty caption, pressed", true, true, true, 2, true, false, {35, 6}},
    };
    for (const Case& c : cases) {
        TContentInput in;
        in.W = 82, in.H = 24, in.GW = 16, in.GH = 16, in.tw = 40, in.th = 13;
        in.HasPicture = c.picture;
        in.ShowCaption = c.showCaption;
        in.CaptionEmpty = c.captionEmpty;
        in.Offset = c.offset;
        const auto at = PlaceContent(in);
        EXPECT_EQ(at.DrawPicture, c.drawPicture) << c.name;
        EXPECT_EQ(at.DrawCaption, c.drawCaption) << c.name;
        if (c.drawPicture) {
            EXPECT_EQ(at.Picture, c.at) << c.name;
        } else if (c.drawCaption) {
            EXPECT_EQ(at.Caption, c.at) << c.name;
        }
    }
}

// ---- state machine without a widget ------------------------------------------------------------

namespace {

// Records what the state machine asks for as a list of words.
class FakeHost : public TZmButtonHost {
public:
    bool usable = true, enabled = true, tabStop = false, showCaption = true, popup = false;
    std::vector<std::string> log;
    bool Usable() const override { return usable; }
    bool Enabled() const override { return enabled; }
    bool TabStop() const override { return tabStop; }
    bool ShowCaption() const override { return showCaption; }
    bool HasPopupMenu() const override { return popup; }
    int Width() const override { return 82; }
    int Height() const override { return 24; }
    void Repaint() override {}
    void DrawHoverCaption() override { log.push_back("hover"); }
    void TakeFocus() override { log.push_back("focus"); }
    void PopupAt(int x, int y) override
    {
        log.push_back("popup " + std::to_string(x) + "," + std::to_string(y));
    }
    bool survives = true;
    bool DropDownMenu() override
    {
        log.push_back("dropdown");
        return survives;
    }
    void MouseDownEvent(TMouseButton b, TShiftState, int x, int y) override
    {
        log.push_back("down " + std::to_string(b) + " " + std::to_string(x) + "," +
                      std::to_string(y));
    }
    void MouseUpEvent(TMouseButton, TShiftState, int, int) override { log.push_back("up"); }
    void ClickEvent() override { log.push_back("click"); }
};

std::string Join(const std::vector<std::string>& v)
{
    std::string s;
    for (const auto& w : v)
        s += (s.empty() ? "" : "; ") + w;
    return s;
}

} // namespace

TEST(ZmButtonState, MouseScripts)
{
    struct Case {
        const char* name;
        bool popup, tabStop;
        std::function<void(TZmButtonState&)> script;
        std::string expected;
    };
    const Case cases[] = {
        {"press and release", false, false,
         [](TZmButtonState& s) {
             s.MouseDown(mbLeft, {}, 5, 6);
             s.MouseUp(mbLeft, {}, 5, 6);
         },
         "down 0 5,6; up; click"},
        {"drag out, release outside", false, false,
         [](TZmButtonState& s) {
             s.MouseDown(mbLeft, {}, 5, 6);
             s.MouseLeave();
             s.MouseUp(mbLeft, {}, 200, 6);
         },
         "down 0 5,6; up"},
        {"drag out and back", false, false,
         [](TZmButtonState& s) {
             s.MouseDown(mbLeft, {}, 5, 6);
             s.MouseLeave();
             s.MouseEnter();
             s.MouseUp(mbLeft, {}, 5, 6);
         },
         "down 0 5,6; hover; down 0 10,10; up; click"},
        {"right click without menu", false, false,
         [](TZmButtonState& s) {
             s.MouseDown(mbRight, {}, 5, 6);
             s.MouseUp(mbRight, {}, 5, 6);
         },
         "up"},
        {"right click with menu", true, false,
         [](TZmButtonState& s) {
             s.MouseDown(mbRight, {}, 5, 6);
             s.MouseUp(mbRight, {}, 5, 6);
         },
         "popup 87,30; up"},
        {"left press with menu drops down, then clicks once", true, false,
         [](TZmButtonState& s) {
             s.MouseDown(mbLeft, {}, 5, 6);
             s.MouseUp(mbLeft, {}, 5, 6);
         },
         "down 0 5,6; dropdown; up; click; up"},
        {"tab stop takes the focus", false, true,
         [](TZmButtonState& s) {
             s.MouseDown(mbLeft, {}, 5, 6);
             s.MouseUp(mbLeft, {}, 5, 6);
         },
         "focus; down 0 5,6; up; click"},
        {"focus change ends a press", false, false,
         [](TZmButtonState& s) {
             s.MouseDown(mbLeft, {}, 5, 6);
             s.FocusChanged(false);
             s.MouseUp(mbLeft, {}, 5, 6);
         },
         "down 0 5,6; up"},
    };
    for (const Case& c : cases) {
        FakeHost host;
        host.popup = c.popup;
        host.tabStop = c.tabStop;
        TZmButtonState state(host);
        c.script(state);
        EXPECT_EQ(Join(host.log), c.expected) << c.name;
        EXPECT_FALSE(state.Down()) << c.name;
        EXPECT_FALSE(state.Held()) << c.name;
    }
}

TEST(ZmButtonState, NothingMoreAfterTheMenuDestroyedTheButton)
{
    FakeHost host;
    host.popup = true;
    host.survives = false;
    TZmButtonState state(host);
    state.MouseDown(mbLeft, {}, 5, 6);
    state.KeyDown(true);
    EXPECT_EQ(Join(host.log), "down 0 5,6; dropdown; dropdown");
}

TEST(ZmButtonState, KeyScripts)
{
    struct Case {
        const char* name;
        bool popup;
        std::function<void(TZmButtonState&)> script;
        std::string expected;
    };
    const Case cases[] = {
        {"space", false,
         [](TZmButtonState& s) {
             s.KeyDown(true);
             EXPECT_TRUE(s.Down());
             s.KeyUp(true);
         },
         "click"},
        {"space, another key, then both released", false,
         [](TZmButtonState& s) {
             s.KeyDown(true);
             s.KeyDown(false);
             s.KeyUp(false);
             s.KeyUp(true);
         },
         ""},
        {"space with a menu", true, [](TZmButtonState& s) { s.KeyDown(true); }, "dropdown"},
        {"enter", false, [](TZmButtonState& s) { s.KeyPress(13); }, "click"},
        {"enter with a menu", true, [](TZmButtonState& s) { s.KeyPress(13); }, "dropdown"},
        {"other characters", false, [](TZmButtonState& s) { s.KeyPress('a'); }, ""},
    };
    for (const Case& c : cases) {
        FakeHost host;
        host.popup = c.popup;
        TZmButtonState state(host);
        c.script(state);
        EXPECT_EQ(Join(host.log), c.expected) << c.name;
        EXPECT_FALSE(state.Down()) << c.name;
    }
}

TEST(ZmButtonState, UnusableButtonShowsNoHover)
{
    FakeHost host;
    host.usable = false;
    host.enabled = false;
    TZmButtonState state(host);
    state.MouseEnter();
    EXPECT_TRUE(host.log.empty());
}

// ---- the widget
// ----------------------------------------------------------------------------------

namespace {

constexpr TColor kGold = 0x000ABED8;

// A window with one of the program's buttons on it and a line edit that can hold the focus.
struct Form {
    QWidget window;
    QLineEdit* other;
    TZmWinButton* button;
    int clicks = 0;
    std::vector<QPoint> downs;

    Form()
    {
        window.resize(300, 100);
        other = new QLineEdit(&window);
        other->setGeometry(4, 60, 100, 20);
        button = new TZmWinButton(&window);
        button->setGeometry(4, 4, 82, 24);
        button->SetColor(kGold);
        button->SetRaiseCol(clWhite);
        button->SetOverCol(clRed);
        button->SetFont(Gdi::MakeFont("Arial", -11, true));
        button->SetFontColor(clBlack);
        button->SetGrayedFontColor(clGrayText);
        button->SetTabStop(false);
        button->SetCaption("Gizle (Esc)");
        button->OnClick = [this](QObject*) { ++clicks; };
        button->OnMouseDown = [this](QObject*, TMouseButton b, TShiftState, int x, int y) {
            if (b == mbLeft)
                downs.push_back({x, y});
        };
        QCursor::setPos(2000, 2000); // the pointer starts away from the button
        window.show();
        window.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(button, &leave);
        other->setFocus();
    }
};

int Count(const QImage& img, TColor color)
{
    const QColor c = ToQColor(color);
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            n += img.pixelColor(x, y) == c;
    return n;
}

QRect Bounds(const QImage& img, TColor color)
{
    const QColor c = ToQColor(color);
    QRect r;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (img.pixelColor(x, y) == c)
                r |= QRect(x, y, 1, 1);
    return r;
}

void Move(QWidget* w, QPoint pos, Qt::MouseButtons buttons)
{
    QMouseEvent e(QEvent::MouseMove, pos, w->mapToGlobal(pos), Qt::NoButton, buttons, {});
    QApplication::sendEvent(w, &e);
}

void Send(QWidget* w, QEvent::Type type, QPoint pos, Qt::MouseButton button)
{
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : button;
    QMouseEvent e(type, pos, w->mapToGlobal(pos), button, held, {});
    QApplication::sendEvent(w, &e);
}

void Enter(QWidget* w)
{
    QEnterEvent e(QPointF(5, 5), QPointF(5, 5), w->mapToGlobal(QPointF(5, 5)));
    QApplication::sendEvent(w, &e);
}

} // namespace

TEST(ZmWinButton, NewButtonDefaults)
{
    TZmWinButton b;
    EXPECT_EQ(b.size(), QSize(100, 30));
    EXPECT_EQ(b.Color(), 0x00FF8000u);
    EXPECT_EQ(b.OverCol(), clYellow);
    EXPECT_EQ(b.ImageIndex(), -1);
    EXPECT_TRUE(b.TabStop());
    EXPECT_TRUE(b.ShowCaption());
    EXPECT_EQ(b.cursor().shape(), Qt::PointingHandCursor);
    b.setProperty("About", "x");
    EXPECT_EQ(b.property("About").toString(), "s1.04");
    EXPECT_EQ(b.GetTanim().count('\n'), 2);
}

TEST(ZmWinButton, MouseSequencesGiveTheRightClicks)
{
    struct Case {
        const char* name;
        std::function<void(TZmWinButton*)> script;
        int clicks;
        int downs;
    };
    const Case cases[] = {
        {"click",
         [](TZmWinButton* b) {
             Send(b, QEvent::MouseButtonPress, {20, 12}, Qt::LeftButton);
             Send(b, QEvent::MouseButtonRelease, {20, 12}, Qt::LeftButton);
         },
         1, 1},
        {"drag out, release outside",
         [](TZmWinButton* b) {
             Send(b, QEvent::MouseButtonPress, {20, 12}, Qt::LeftButton);
             Move(b, {150, 12}, Qt::LeftButton);
             EXPECT_FALSE(b->Down());
             EXPECT_TRUE(b->Held());
             Send(b, QEvent::MouseButtonRelease, {150, 12}, Qt::LeftButton);
         },
         0, 1},
        {"drag out and back, release inside",
         [](TZmWinButton* b) {
             Send(b, QEvent::MouseButtonPress, {20, 12}, Qt::LeftButton);
             Move(b, {150, 12}, Qt::LeftButton);
             Move(b, {30, 10}, Qt::LeftButton);
             EXPECT_TRUE(b->Down());
             Send(b, QEvent::MouseButtonRelease, {30, 10}, Qt::LeftButton);
         },
         1, 2},
        {"double click",
         [](TZmWinButton* b) {
             // What the window system delivers for a double click.
             Send(b, QEvent::MouseButtonPress, {20, 12}, Qt::LeftButton);
             Send(b, QEvent::MouseButtonRelease, {20, 12}, Qt::LeftButton);
             Send(b, QEvent::MouseButtonDblClick, {20, 12}, Qt::LeftButton);
             Send(b, QEvent::MouseButtonRelease, {20, 12}, Qt::LeftButton);
         },
         2, 2},
        {"right click", [](TZmWinButton* b) { QTest::mouseClick(b, Qt::RightButton); }, 0, 0},
        {"middle click", [](TZmWinButton* b) { QTest::mouseClick(b, Qt::MiddleButton); }, 0, 0},
    };
    for (const Case& c : cases) {
        Form f;
        c.script(f.button);
        EXPECT_EQ(f.clicks, c.clicks) << c.name;
        EXPECT_EQ(int(f.downs.size()), c.downs) << c.name;
        EXPECT_FALSE(f.button->Down()) << c.name;
        EXPECT_FALSE(f.button->Held()) << c.name;
        if (c.downs == 2 && std::string(c.name).find("back") != std::string::npos) {
            EXPECT_EQ(f.downs[1], QPoint(10, 10)) << "the press is repeated at (10, 10)";
        }
    }
}

TEST(ZmWinButton, MenuOpensAtTheRightPlace)
{
    struct Case {
        const char* name;
        Qt::MouseButton button;
        QPoint at;
        QPoint menuClient; // where the menu's top-left should be, in button coordinates
        int clicks;
    };
    const Case cases[] = {
        {"right click: beside the pointer", Qt::RightButton, {10, 5}, {10 + 82, 5 + 24}, 0},
        {"left press: drops down below the left edge", Qt::LeftButton, {10, 5}, {1, 25}, 1},
    };
    for (const Case& c : cases) {
        Form f;
        QMenu menu;
        menu.addAction("Ayarlar");
        f.button->SetPopupMenu(&menu);
        QPoint shownAt(-1, -1);
        int shown = 0;
        // Closes every menu that opens, so that a wrong extra one cannot hang the test.
        QTimer closer;
        QObject::connect(&closer, &QTimer::timeout, [&] {
            if (QWidget* popup = QApplication::activePopupWidget()) {
                ++shown;
                shownAt = popup->pos();
                popup->close();
            }
        });
        closer.start(0);
        Send(f.button, QEvent::MouseButtonPress, c.at, c.button);
        Send(f.button, QEvent::MouseButtonRelease, c.at, c.button);
        EXPECT_EQ(shown, 1) << c.name;
        EXPECT_EQ(shownAt, f.button->mapToGlobal(c.menuClient)) << c.name;
        EXPECT_EQ(f.clicks, c.clicks) << c.name;
    }
}

TEST(ZmWinButton, MenuCommandMayDestroyTheButton)
{
    Form f;
    QMenu menu;
    f.button->SetPopupMenu(&menu);
    QPointer<TZmWinButton> button(f.button);
    QTimer::singleShot(0, &menu, [&] {
        delete button.data();
        menu.close();
    });
    Send(f.button, QEvent::MouseButtonPress, {10, 5}, Qt::LeftButton);
    EXPECT_TRUE(button.isNull());
    EXPECT_EQ(f.clicks, 0);
}

TEST(ZmWinButton, ClickRunsOnClickElseTheLinkedAction)
{
    TZmWinButton b;
    QAction action;
    int actions = 0, clicks = 0;
    QObject::connect(&action, &QAction::triggered, [&] { ++actions; });
    b.SetAction(&action);
    b.Click();
    b.OnClick = [&](QObject*) { ++clicks; };
    b.Click();
    EXPECT_EQ(actions, 1);
    EXPECT_EQ(clicks, 1);
}

TEST(ZmWinButton, DestroyedReferencesAreCleared)
{
    TZmWinButton b;
    auto* menu = new QMenu;
    auto* list = new TImageList(8, 8);
    b.SetPopupMenu(menu);
    b.SetImages(list);
    b.SetImageIndex(0);
    delete menu;
    delete list;
    EXPECT_EQ(b.PopupMenu(), nullptr);
    EXPECT_EQ(b.Images(), nullptr);
    EXPECT_FALSE(b.Render().isNull());
}

TEST(ZmWinButton, KeysAndFocus)
{
    Form f;
    TZmWinButton* b = f.button;
    ASSERT_TRUE(f.other->hasFocus());
    // Without TabStop a press leaves the focus where it was.
    QTest::mouseClick(b, Qt::LeftButton);
    EXPECT_FALSE(b->hasFocus());
    EXPECT_EQ(f.clicks, 1);

    b->SetTabStop(true);
    QTest::mouseClick(b, Qt::LeftButton);
    ASSERT_TRUE(b->hasFocus());
    EXPECT_EQ(f.clicks, 2);

    QTest::keyPress(b, Qt::Key_Space);
    EXPECT_TRUE(b->Down());
    QTest::keyRelease(b, Qt::Key_Space);
    EXPECT_EQ(f.clicks, 3);

    QTest::keyPress(b, Qt::Key_Space);
    QTest::keyPress(b, Qt::Key_A);
    EXPECT_FALSE(b->Down()) << "another key ends the press";
    QTest::keyRelease(b, Qt::Key_A);
    QTest::keyRelease(b, Qt::Key_Space);
    EXPECT_EQ(f.clicks, 3);

    QTest::keyClick(b, Qt::Key_Return);
    EXPECT_EQ(f.clicks, 4);

    // Losing the focus while held ends the press without a click.
    Send(b, QEvent::MouseButtonPress, {20, 12}, Qt::LeftButton);
    f.other->setFocus();
    EXPECT_FALSE(b->Down());
    EXPECT_FALSE(b->Held());
    Send(b, QEvent::MouseButtonRelease, {20, 12}, Qt::LeftButton);
    EXPECT_EQ(f.clicks, 4);
}

TEST(ZmWinButton, ClickSetsTheFormsModalResult)
{
    for (int result : {0, 2}) {
        QDialog dialog;
        auto* b = new TZmWinButton(&dialog);
        b->SetModalResult(result);
        dialog.setResult(7);
        dialog.setProperty("ModalResult", 7);
        dialog.show();
        b->Click();
        EXPECT_EQ(dialog.property("ModalResult").toInt(), result);
        EXPECT_EQ(dialog.result(), result);
    }
}

// ---- pixels
// --------------------------------------------------------------------------------------

TEST(ZmWinButtonPixels, RaisedAndPressedEdges)
{
    Form f;
    TZmWinButton* b = f.button;
    const int W = 82, H = 24;
    struct Px {
        int x, y;
        TColor raised, pressed;
    };
    const Px pixels[] = {
        {0, 0, clWhite, clBlack},     {1, 1, clWhite, kGold},
        {W - 2, 0, clWhite, clBlack}, {W - 1, 0, clBlack, clBlack},
        {0, H - 2, clWhite, clBlack}, {0, H - 1, clBlack, clBlack},
        {1, H - 2, clWhite, kGold},   {W - 2, H - 2, clBlack, kGold},
        {W - 2, 5, clBlack, kGold},   {W - 3, H - 3, kGold, kGold},
        {2, 2, kGold, kGold},         {W - 1, H - 1, clBlack, clBlack},
    };
    const QImage raised = b->Render();
    Send(b, QEvent::MouseButtonPress, {20, 12}, Qt::LeftButton);
    ASSERT_TRUE(b->Down());
    const QImage pressed = b->Render();
    for (const Px& p : pixels) {
        EXPECT_EQ(raised.pixelColor(p.x, p.y), ToQColor(p.raised)) << p.x << "," << p.y;
        EXPECT_EQ(pressed.pixelColor(p.x, p.y), ToQColor(p.pressed)) << p.x << "," << p.y;
    }
    // The caption: black in the raised look, red and two pixels further in the pressed one.
    const QRect black = Bounds(raised.copy(2, 2, W - 4, H - 4), clBlack);
    const QRect red = Bounds(pressed.copy(2, 2, W - 4, H - 4), clRed);
    ASSERT_FALSE(black.isEmpty());
    EXPECT_EQ(red.topLeft(), black.topLeft() + QPoint(2, 2));
    EXPECT_EQ(red.size(), black.size());
    EXPECT_EQ(Count(raised, clRed), 0);
}

TEST(ZmWinButtonPixels, HoverDisabledAndCaptionless)
{
    Form f;
    TZmWinButton* b = f.button;
    const QImage plain = b->Render();
    const int blackCaption = Count(plain.copy(2, 2, 78, 20), clBlack);

    Enter(b);
    ASSERT_TRUE(b->HoverShown());
    EXPECT_EQ(Count(b->Render().copy(2, 2, 78, 20), clRed), blackCaption);
    // A click repaints the normal look although the mouse is still there.
    QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(20, 12));
    EXPECT_FALSE(b->HoverShown());
    EXPECT_EQ(b->Render(), plain);

    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(b, &leave);
    b->setEnabled(false);
    Enter(b);
    EXPECT_FALSE(b->HoverShown()) << "a disabled button shows no hover caption";
    const QImage grey = b->Render();
    EXPECT_EQ(Count(grey.copy(2, 2, 78, 20), clBlack), 0);
    EXPECT_EQ(Count(grey, ColorToRGB(clGrayText)), blackCaption)
        << "the grayed colour in the caption font's shape";

    b->setEnabled(true);
    b->SetShowCaption(false);
    const QImage bare = b->Render();
    EXPECT_EQ(Count(bare.copy(2, 2, 78, 20), kGold), 78 * 20) << "only face and edges";
}

TEST(ZmWinButtonPixels, FocusRectangleOnlyWithTabStop)
{
    Form f;
    TZmWinButton* b = f.button;
    b->SetTabStop(true);
    b->setFocus();
    ASSERT_TRUE(b->HasFocus());
    const QImage focused = b->Render();
    // The dotted ring at inset 3 turns golden face pixels into their inverse.
    const QColor inverse = QColor::fromRgb(~ToQColor(kGold).rgb() | 0xFF000000u);
    int dots = 0;
    for (int x = 3; x < 79; ++x)
        dots += focused.pixelColor(x, 3) == inverse;
    EXPECT_GT(dots, 30);
    EXPECT_GT(Count(focused, clRed), 0) << "a focused button shows its caption in OverCol";

    b->SetTabStop(false);
    EXPECT_EQ(Count(b->Render(), clRed), 0);
}

TEST(ZmWinButtonPixels, PicturesFromGlyphAndImageList)
{
    // A 6 x 6 picture: blue square on a green ground (green is its bottom-left pixel).
    QImage pic(6, 6, QImage::Format_RGB32);
    pic.fill(Qt::green);
    for (int y = 1; y < 5; ++y)
        for (int x = 1; x < 5; ++x)
            pic.setPixelColor(x, y, Qt::blue);

    Form f;
    TZmWinButton* b = f.button;
    b->SetCaption("");
    b->SetGlpyh(pic);
    QImage img = b->Render();
    EXPECT_EQ(Count(img, clBlue), 16);
    EXPECT_EQ(Count(img, clLime), 0) << "the transparent colour becomes the face";
    EXPECT_EQ(img.pixelColor(39, 10), QColor(Qt::blue))
        << "centred at ((82 - 6) div 2, (24 - 6) div 2)";
    EXPECT_EQ(img.pixelColor(38, 10), ToQColor(kGold));

    TImageList list(6, 6);
    list.AddMasked(pic, clLime);
    b->SetGlpyh(QImage());
    const QImage none = b->Render();
    b->SetImages(&list);
    EXPECT_EQ(b->Render(), none) << "ImageIndex -1 shows no picture";
    b->SetImageIndex(0);
    img = b->Render();
    EXPECT_EQ(Count(img, clBlue), 16);

    b->setEnabled(false);
    img = b->Render();
    EXPECT_EQ(Count(img, clBlue), 0);
    EXPECT_EQ(Count(img, ColorToRGB(clBtnShadow)), 16);
    // The highlight copy, one pixel lower and further right, shows where the shadow leaves it.
    EXPECT_EQ(img.pixelColor(43, 14), ToQColor(clBtnHighlight));
    EXPECT_EQ(img.pixelColor(40, 14), ToQColor(clBtnHighlight));
    EXPECT_EQ(img.pixelColor(39, 14), ToQColor(kGold));
    EXPECT_EQ(img.pixelColor(42, 13), ToQColor(clBtnShadow));

    // A change of the list repaints with the new picture.
    b->setEnabled(true);
    QImage red = pic;
    for (int y = 1; y < 5; ++y)
        for (int x = 1; x < 5; ++x)
            red.setPixelColor(x, y, Qt::red);
    QImage mask(6, 6, QImage::Format_Mono);
    mask.fill(1);
    list.Replace(0, red, mask);
    img = b->Render();
    EXPECT_EQ(Count(img, clRed), 16);
    EXPECT_EQ(Count(img, clLime), 20) << "a list's own mask draws every covered pixel";
}
