#pragma once
#include <QtGlobal>
#include <cstdint>
#include <optional>
#include <vector>

// Turns the activations a tray host reports into the mouse messages of the icon's callback
// table. A left double click comes out as down, up, double click, up whatever the host reports:
// an XEmbed tray reports a click then a click plus a double click, a Windows-like one a click
// then a double click, and a StatusNotifierItem host only two single activations, which count as
// a double click when they come within the desktop's double-click interval.
class TTrayActivationDecoder {
public:
    enum TActivation { Trigger, DoubleClick, Context, MiddleClick };

    // Now: a monotonic time in milliseconds; Interval: the double-click interval.
    std::vector<std::uint32_t> Decode(TActivation Activation, qint64 Now, int Interval);

private:
    static bool Within(const std::optional<qint64>& Then, qint64 Now, int Interval)
    {
        return Then && Now - *Then <= Interval;
    }

    std::optional<qint64> FLastClick;  // a single click that may become a double click
    std::optional<qint64> FLastDouble; // the double click just produced
};
