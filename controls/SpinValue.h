#pragma once
// The value rules of the numeric spin field, apart from the widget: the text is the value, read
// without clamping; writes and leaving the field clamp; MinValue = MaxValue means no limit.
#include <QChar>
#include <QString>

namespace SpinRules {

// v limited to [minValue, maxValue]; with minValue == maxValue there is no limit.
int ClampValue(int v, int minValue, int maxValue);

// The text as a signed decimal integer; text that is not one reads as minValue.
int ReadValue(const QString& text, int minValue);

// Whether a typed character may reach the field: "+", "-", digits, the decimal separator and
// control characters below 32 except Enter. With the editor disabled, only control characters
// other than backspace get through.
bool AcceptsChar(QChar key, QChar decimalSeparator, bool editorEnabled);

// The step result: value + delta, kept within 32 bits and then clamped. The delta is wider than
// the value, so that a step down by the least integer increment is no overflow.
int Step(int value, long long delta, int minValue, int maxValue);

// The value times factor, kept within 32 bits, as a setting that follows the field uses it while
// a number is being typed: above the range the number stands for the range's top (leaving the
// field will make it so); below it, it is used as read.
int ScaledValue(int value, int factor, int minValue, int maxValue);

} // namespace SpinRules
