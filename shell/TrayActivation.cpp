#include "shell/TrayActivation.h"

#include "shell/NotifyIcon.h"

std::vector<std::uint32_t> TTrayActivationDecoder::Decode(TActivation Activation, qint64 Now,
                                                          int Interval)
{
    switch (Activation) {
    case Trigger:
        if (Within(FLastClick, Now, Interval)) {
            FLastClick.reset();
            FLastDouble = Now;
            return {WM_LBUTTONDBLCLK, WM_LBUTTONUP};
        }
        FLastClick = Now;
        return {WM_LBUTTONDOWN, WM_LBUTTONUP};
    case DoubleClick:
        if (Within(FLastDouble, Now, Interval)) {
            // The host's own report of the double click just made from two clicks.
            FLastDouble.reset();
            return {};
        }
        FLastDouble = Now;
        if (Within(FLastClick, Now, Interval)) {
            FLastClick.reset();
            return {WM_LBUTTONDBLCLK, WM_LBUTTONUP};
        }
        FLastClick.reset();
        return {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP};
    case Context:
        FLastClick.reset();
        return {WM_RBUTTONDOWN, WM_RBUTTONUP};
    case MiddleClick:
        FLastClick.reset();
        return {WM_MBUTTONDOWN, WM_MBUTTONUP};
    }
    return {};
}
