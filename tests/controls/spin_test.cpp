// ctest-labels: gui
#include "controls/Spin.h"
#include "controls/SpinValue.h"

#include <QApplication>
#include <QClipboard>
#include <QFocusEvent>
#include <QInputMethodEvent>
#include <QLocale>
#include <QMouseEvent>
#include <QTest>
#include <QTimer>
#include <climits>
#include <gtest/gtest.h>
#include <stdexcept>

// ---- value rules -------------------------------------------------------------------------------

TEST(SpinRules, ClampAndStep)
{
    struct Case {
        int v, min, max, clamped;
    };
    const Case cases[] = {
        {-5, 0, 0, -5},     {123456, 0, 0, 123456}, // 0/0: no limit at all
        {7, 5, 5, 7},                               // any equal pair means no limit
        {0, 1, 999, 1},     {1000, 1, 999, 999},    {1, 1, 999, 1},
        {999, 1, 999, 999}, {1056, 0, 1024, 1024},  {-1, 0, 1024, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SpinRules::ClampValue(c.v, c.min, c.max), c.clamped)
            << c.v << " in " << c.min << ".." << c.max;

    struct StepCase {
        int v, delta, min, max, result;
    };
    const StepCase steps[] = {
        {1, -1, 1, 999, 1},          {999, 1, 1, 999, 999},         {0, -10, 0, 0, -10},
        {1000, 32, 0, 1024, 1024},   {2000, -32, 0, 1024, 1024}, // stepping clamps as writing does
        {INT_MAX, 1, 0, 0, INT_MAX}, {INT_MIN, -10, 0, 0, INT_MIN}, // no wrap-around
    };
    for (const StepCase& c : steps)
        EXPECT_EQ(SpinRules::Step(c.v, c.delta, c.min, c.max), c.result) << c.v << " + " << c.delta;

    // A number typed above the range stands for its top, one below it is used as read; without
    // a range the product stops at the 32-bit ends.
    EXPECT_EQ(SpinRules::ScaledValue(5, 1000, 1, 999), 5000);
    EXPECT_EQ(SpinRules::ScaledValue(3000000, 1000, 1, 999), 999000);
    EXPECT_EQ(SpinRules::ScaledValue(0, 1000, 1, 999), 0);
    EXPECT_EQ(SpinRules::ScaledValue(3000000, 1000, 0, 0), INT_MAX);
    EXPECT_EQ(SpinRules::ScaledValue(-3000000, 1000, 0, 0), INT_MIN);
}

TEST(SpinRules, ReadingTheText)
{
    struct Case {
        const char* text;
        int min, value;
    };
    const Case cases[] = {
        {"200", 0, 200},
        {"-15", 0, -15},
        {"+7", 0, 7},
        {"0", 1, 0},
        {"", 1, 1},
        {"abc", 5, 5},
        {"1,5", 0, 0},
        {"1.5", 3, 3},
        {"-", 1, 1},
        {"99999999999", 1, 1},
        {"2147483647", 0, INT_MAX},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SpinRules::ReadValue(c.text, c.min), c.value) << '"' << c.text << '"';
}

TEST(SpinRules, AcceptedCharacters)
{
    struct Case {
        char16_t ch;
        bool editor, accepted;
    };
    const Case cases[] = {
        {u'0', true, true},   {u'9', true, true},   {u'-', true, true},  {u'+', true, true},
        {u',', true, true},   {u'.', true, false},  {u'a', true, false}, {u' ', true, false},
        {13, true, false},    {8, true, true},      {1, true, true},     {27, true, true},
        {u'5', false, false}, {u',', false, false}, {8, false, false},   {3, false, true},
        {13, false, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SpinRules::AcceptsChar(QChar(c.ch), QChar(','), c.editor), c.accepted)
            << int(c.ch) << (c.editor ? " editor on" : " editor off");
}

// ---- the field ---------------------------------------------------------------------------------

namespace {

class CountingSpinEdit : public TSpinEdit {
public:
    using TSpinEdit::TSpinEdit;
    int beeps = 0;
    int changes = 0;

protected:
    void MessageBeep() override { ++beeps; }
};

// A window with a spin field and a second control to move the focus to.
struct Form {
    QWidget window;
    CountingSpinEdit* field;
    QLineEdit* other;

    Form(int min, int max, int increment)
    {
        window.resize(200, 80);
        field = new CountingSpinEdit(&window);
        field->setGeometry(10, 10, 73, 22);
        field->SetMinValue(min);
        field->SetMaxValue(max);
        field->SetIncrement(increment);
        field->OnChange = [this](QObject*) { ++field->changes; };
        other = new QLineEdit(&window);
        other->setGeometry(10, 40, 73, 22);
        window.show();
        window.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
        field->setFocus();
    }
};

void Press(QWidget* w, QEvent::Type type, Qt::MouseButton button, QPoint pos = {5, 4})
{
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : button;
    QMouseEvent e(type, pos, w->mapToGlobal(pos), button, held, {});
    QApplication::sendEvent(w, &e);
}

} // namespace

TEST(SpinEdit, NewFieldAndProperties)
{
    TSpinEdit f;
    EXPECT_EQ(f.text(), "0");
    EXPECT_EQ(f.Increment(), 1);
    EXPECT_TRUE(f.EditorEnabled());
    EXPECT_EQ(f.MaxLength(), 0);
    // The settings storage writes and reads the value by name, as text.
    f.setProperty("Value", QString("700"));
    EXPECT_EQ(f.Value(), 700);
    EXPECT_EQ(f.property("Value").toString(), "700");
}

TEST(SpinEdit, ReadsWithoutClampingAndClampsOnLeaving)
{
    Form f(1, 999, 1);
    f.field->SetValue(5);
    f.field->changes = 0;
    f.field->setText("0");
    EXPECT_EQ(f.field->Value(), 0) << "reading does not clamp";
    EXPECT_EQ(f.field->changes, 1);
    f.other->setFocus();
    EXPECT_EQ(f.field->text(), "1");
    EXPECT_EQ(f.field->changes, 2) << "the clamped text is a change too";

    // A value inside the limits is left alone when the field is left.
    f.field->setFocus();
    f.field->setText("42");
    f.other->setFocus();
    EXPECT_EQ(f.field->text(), "42");
    EXPECT_EQ(f.field->changes, 3);

    f.field->SetValue(5000);
    EXPECT_EQ(f.field->text(), "999") << "writing clamps";
    f.field->SetValue(999);
    EXPECT_EQ(f.field->changes, 4) << "the same text again is no change";
}

TEST(SpinEdit, StepsByArrowsKeysAndButtons)
{
    struct Case {
        const char* name;
        int min, max, inc, start;
        bool readOnly;
        int key; // Qt::Key_Up or Key_Down, or 0 for the down arrow button
        int value, beeps;
    };
    const Case cases[] = {
        {"up, no limit", 0, 0, 10, 200, false, Qt::Key_Up, 210, 0},
        {"down below zero, no limit", 0, 0, 10, 0, false, Qt::Key_Down, -10, 0},
        {"down at the minimum stays", 1, 999, 1, 1, false, Qt::Key_Down, 1, 0},
        {"up by packet size, clamped", 0, 1024, 32, 1000, false, Qt::Key_Up, 1024, 0},
        {"read-only up key beeps", 0, 0, 1, 5, true, Qt::Key_Up, 5, 1},
        {"read-only arrow button beeps", 0, 0, 1, 5, true, 0, 5, 1},
        {"down arrow button", 0, 0, 1, 5, false, 0, 4, 0},
        {"down by the least integer", 0, 0, INT_MIN, 0, false, Qt::Key_Down, INT_MAX, 0},
    };
    for (const Case& c : cases) {
        Form f(c.min, c.max, c.inc);
        f.field->SetValue(c.start);
        f.field->setReadOnly(c.readOnly);
        if (c.key) {
            QTest::keyClick(f.field, Qt::Key(c.key));
        } else {
            TTimerSpeedButton* down = f.field->Button()->DownButton();
            Press(down, QEvent::MouseButtonPress, Qt::LeftButton);
            Press(down, QEvent::MouseButtonRelease, Qt::LeftButton);
        }
        EXPECT_EQ(f.field->Value(), c.value) << c.name;
        EXPECT_EQ(f.field->beeps, c.beeps) << c.name;
    }
}

TEST(SpinEdit, TypedCharacters)
{
    const QChar sep = QLocale().decimalPoint().at(0);
    struct Case {
        const char* name;
        bool editorEnabled;
        QString keys;
        QString text;
        int beeps;
    };
    const Case cases[] = {
        {"digits and signs", true, "-12", "-12", 0},
        {"letters beep", true, "1a2", "12", 1},
        {"Enter beeps", true, "7\r", "7", 1},
        {"the decimal separator", true, QString("1") + sep + "5", QString("1") + sep + "5", 0},
        {"editor off refuses digits", false, "12", "", 2},
    };
    for (const Case& c : cases) {
        Form f(3, 0, 1);
        f.field->clear();
        f.field->SetEditorEnabled(c.editorEnabled);
        f.field->beeps = 0;
        for (QChar ch : c.keys) {
            if (ch == '\r')
                QTest::keyClick(f.field, Qt::Key_Return);
            else
                QTest::keyClicks(f.field, QString(ch));
        }
        EXPECT_EQ(f.field->text(), c.text) << c.name;
        EXPECT_EQ(f.field->beeps, c.beeps) << c.name;
    }

    // With the separator typed, the text is no integer and reads as the minimum.
    Form f(3, 0, 1);
    f.field->setText(QString("1") + sep + "5");
    EXPECT_EQ(f.field->Value(), 3);
}

TEST(SpinEdit, InputMethodTextFollowsTheSameRules)
{
    Form f(0, 0, 1);
    f.field->clear();
    for (const char* commit : {"12", "x3"}) {
        QInputMethodEvent e;
        e.setCommitString(commit);
        QApplication::sendEvent(f.field, &e);
    }
    EXPECT_EQ(f.field->text(), "12");
    EXPECT_EQ(f.field->beeps, 1);
}

TEST(SpinEdit, EditorOffKeepsTheText)
{
    Form f(0, 0, 1);
    f.field->SetValue(12);
    f.field->SetEditorEnabled(false);
    QApplication::clipboard()->setText("34");
    f.field->end(false);
    QTest::keyClick(f.field, Qt::Key_Backspace);
    QTest::keyClick(f.field, Qt::Key_Home);
    QTest::keyClick(f.field, Qt::Key_Delete);
    QTest::keyClick(f.field, Qt::Key_V, Qt::ControlModifier);
    f.field->selectAll();
    QTest::keyClick(f.field, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(f.field->text(), "12");
    EXPECT_EQ(f.field->beeps, 1) << "only backspace is a refused character";
    // The arrows still step.
    QTest::keyClick(f.field, Qt::Key_Up);
    EXPECT_EQ(f.field->Value(), 13);

    // With the editor on, paste goes through.
    f.field->SetEditorEnabled(true);
    f.field->end(false);
    QTest::keyClick(f.field, Qt::Key_V, Qt::ControlModifier);
    if (QApplication::clipboard()->text() == "34") {
        EXPECT_EQ(f.field->text(), "1334");
    }
}

TEST(SpinEdit, PressingAnArrowFocusesTheField)
{
    Form f(0, 0, 1);
    f.other->setFocus();
    ASSERT_FALSE(f.field->hasFocus());
    TTimerSpeedButton* up = f.field->Button()->UpButton();
    Press(up, QEvent::MouseButtonPress, Qt::LeftButton);
    EXPECT_TRUE(f.field->hasFocus());
    Press(up, QEvent::MouseButtonRelease, Qt::LeftButton);
    EXPECT_EQ(f.field->Value(), 1);
}

// ---- auto-repeat
// ---------------------------------------------------------------------------------

TEST(TimerSpeedButton, RepeatsAfter400ThenEvery100)
{
    Form f(0, 0, 1);
    TTimerSpeedButton* up = f.field->Button()->UpButton();
    EXPECT_EQ(up->RepeatTimer(), nullptr) << "made on first use";

    Press(up, QEvent::MouseButtonPress, Qt::LeftButton);
    QTimer* t = up->RepeatTimer();
    ASSERT_NE(t, nullptr);
    EXPECT_TRUE(t->isActive());
    EXPECT_EQ(t->interval(), 400);
    EXPECT_EQ(f.field->Value(), 0) << "a press alone does not step";

    up->TimerExpired();
    EXPECT_EQ(t->interval(), 100);
    EXPECT_EQ(f.field->Value(), 1);
    up->TimerExpired();
    up->TimerExpired();
    EXPECT_EQ(f.field->Value(), 3);

    Press(up, QEvent::MouseButtonRelease, Qt::LeftButton);
    EXPECT_FALSE(t->isActive());
    EXPECT_EQ(f.field->Value(), 4) << "one more step on release over the arrow";

    // A short press steps once and restarts the timer at 400 ms.
    Press(up, QEvent::MouseButtonPress, Qt::LeftButton);
    EXPECT_EQ(t->interval(), 400);
    Press(up, QEvent::MouseButtonRelease, Qt::LeftButton);
    EXPECT_EQ(f.field->Value(), 5);
}

TEST(TimerSpeedButton, NoRepeatOnceThePointerLeftTheArrow)
{
    Form f(0, 0, 1);
    TTimerSpeedButton* down = f.field->Button()->DownButton();
    Press(down, QEvent::MouseButtonPress, Qt::LeftButton);
    QMouseEvent move(QEvent::MouseMove, QPointF(100, 100), down->mapToGlobal(QPointF(100, 100)),
                     Qt::NoButton, Qt::LeftButton, {});
    QApplication::sendEvent(down, &move);
    ASSERT_FALSE(down->isDown());
    down->TimerExpired();
    down->TimerExpired();
    Press(down, QEvent::MouseButtonRelease, Qt::LeftButton, {100, 100});
    EXPECT_EQ(f.field->Value(), 0);
}

TEST(TimerSpeedButton, FailingClickStopsTheTimer)
{
    QWidget parent;
    auto* b = new TTimerSpeedButton(&parent);
    b->resize(15, 9);
    b->SetRepeatAllowed(true);
    parent.show();
    b->OnClick = [](QObject*) { throw std::runtime_error("step failed"); };
    Press(b, QEvent::MouseButtonPress, Qt::LeftButton);
    ASSERT_TRUE(b->RepeatTimer()->isActive());
    EXPECT_THROW(b->TimerExpired(), std::runtime_error);
    EXPECT_FALSE(b->RepeatTimer()->isActive());
}

// ---- geometry and glyphs
// -------------------------------------------------------------------------

TEST(SpinEdit, HeightAndButtonPlace)
{
    Form f(0, 0, 1);
    f.field->resize(73, 5);
    EXPECT_EQ(f.field->height(), f.field->MinimumHeight());
    EXPECT_GE(f.field->MinimumHeight(), f.field->fontMetrics().height() + 6);

    f.field->resize(73, 26);
    const QRect r = f.field->Button()->geometry();
    EXPECT_EQ(r.width(), 15);
    EXPECT_EQ(r.height(), 26 - 5);
    EXPECT_LE(r.right(), 73 - 1) << "inside the field";
    EXPECT_GE(r.right(), 73 - 5);
    // The arrows split the button and overlap by one pixel.
    const QRect up = f.field->Button()->UpButton()->geometry();
    const QRect down = f.field->Button()->DownButton()->geometry();
    EXPECT_EQ(up, QRect(0, 0, 15, 21 / 2));
    EXPECT_EQ(down, QRect(0, 21 / 2 - 1, 15, 21 - 21 / 2 + 1));
}

TEST(SpinButton, DefaultGlyphsAreCentredTriangles)
{
    for (bool upward : {true, false}) {
        const QImage g = upward ? TSpinButton::DefaultUpGlyph() : TSpinButton::DefaultDownGlyph();
        ASSERT_EQ(g.size(), QSize(9, 6));
        int black = 0;
        QRect box;
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 9; ++x)
                if (g.pixelColor(x, y) == QColor(Qt::black)) {
                    ++black;
                    box |= QRect(x, y, 1, 1);
                }
        EXPECT_EQ(black, 1 + 3 + 5 + 7);
        EXPECT_EQ(box, QRect(1, 1, 7, 4));
        const int tipRow = upward ? 1 : 4;
        EXPECT_EQ(g.pixelColor(4, tipRow), QColor(Qt::black));
        EXPECT_NE(g.pixelColor(3, tipRow), QColor(Qt::black));
    }
    TSpinButton b;
    b.SetUpNumGlyphs(2);
    b.SetUpGlyph(QImage());
    EXPECT_EQ(b.UpNumGlyphs(), 1);
    EXPECT_EQ(b.UpGlyph(), TSpinButton::DefaultUpGlyph());
}

TEST(SpinButton, KeysWhenItHoldsTheFocus)
{
    QWidget window;
    auto* b = new TSpinButton(&window);
    b->SetTabStop(true);
    int ups = 0, downs = 0;
    b->OnUpClick = [&](QObject*) { ++ups; };
    b->OnDownClick = [&](QObject*) { ++downs; };
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    b->setFocus();
    ASSERT_TRUE(b->hasFocus());
    EXPECT_TRUE(b->UpButton()->FocusRectShown());
    QTest::keyClick(b, Qt::Key_Space);
    QTest::keyClick(b, Qt::Key_Down);
    EXPECT_EQ(b->FocusedButton(), b->DownButton());
    EXPECT_TRUE(b->DownButton()->FocusRectShown());
    EXPECT_FALSE(b->UpButton()->FocusRectShown());
    QTest::keyClick(b, Qt::Key_Space);
    QTest::keyClick(b, Qt::Key_Up);
    EXPECT_EQ(ups, 2);
    EXPECT_EQ(downs, 2);
    // The focus rectangle is drawn: a dotted ring inside the focused arrow.
    const QImage img = b->UpButton()->grab().toImage();
    EXPECT_NE(img.pixelColor(3, 3), img.pixelColor(4, 3));
    b->clearFocus();
    EXPECT_FALSE(b->UpButton()->FocusRectShown());
}
