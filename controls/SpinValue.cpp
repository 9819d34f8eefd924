#include "controls/SpinValue.h"

#include <climits>
#include <cstdint>

namespace SpinRules {

int ClampValue(int v, int minValue, int maxValue)
{
    if (minValue == maxValue)
        return v;
    if (v < minValue)
        return minValue;
    if (v > maxValue)
        return maxValue;
    return v;
}

int ReadValue(const QString& text, int minValue)
{
    // A signed decimal integer as the field shows it; blanks around it are tolerated.
    bool ok = false;
    const int v = text.trimmed().toInt(&ok, 10);
    return ok ? v : minValue;
}

bool AcceptsChar(QChar key, QChar decimalSeparator, bool editorEnabled)
{
    const char16_t c = key.unicode();
    bool accepted = c == u'+' || c == u'-' || (c >= u'0' && c <= u'9') || key == decimalSeparator ||
                    (c < 32 && c != 13);
    if (accepted && !editorEnabled && (c >= 32 || c == 8 || c == 46))
        accepted = false;
    return accepted;
}

namespace {

int Saturated(std::int64_t v)
{
    return v > INT_MAX ? INT_MAX : v < INT_MIN ? INT_MIN : int(v);
}

} // namespace

int Step(int value, long long delta, int minValue, int maxValue)
{
    // Beyond the 32-bit range the step stops at its end instead of wrapping around.
    return ClampValue(Saturated(std::int64_t(value) + delta), minValue, maxValue);
}

int ScaledValue(int value, int factor, int minValue, int maxValue)
{
    if (minValue != maxValue && value > maxValue)
        value = maxValue;
    return Saturated(std::int64_t(value) * factor);
}

} // namespace SpinRules
