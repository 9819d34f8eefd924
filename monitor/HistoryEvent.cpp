#include "monitor/HistoryEvent.h"

#include <array>

namespace Monitor {

namespace {

struct TName {
    THistoryEventKind Kind;
    const char* Name;
    const char* Text;
};
constexpr std::array<TName, 8> kNames{{
    {THistoryEventKind::Start, "start", "Program started"},
    {THistoryEventKind::End, "end", "Program ended"},
    {THistoryEventKind::AutoPingOn, "auto ping on", "Automatic pinging on"},
    {THistoryEventKind::AutoPingOff, "auto ping off", "Automatic pinging off"},
    {THistoryEventKind::HostChange, "host change", "Host changed"},
    {THistoryEventKind::Asleep, "asleep", "Computer asleep"},
    {THistoryEventKind::Awake, "awake", "Computer awake"},
    {THistoryEventKind::NetworkChange, "network change", "Network changed"},
}};

} // namespace

QString EventName(THistoryEventKind kind)
{
    for (const TName& n : kNames)
        if (n.Kind == kind)
            return QLatin1String(n.Name);
    return {};
}

std::optional<THistoryEventKind> EventKindFromName(QStringView name)
{
    for (const TName& n : kNames)
        if (name == QLatin1String(n.Name))
            return n.Kind;
    return std::nullopt;
}

QString DefaultEventText(THistoryEventKind kind)
{
    for (const TName& n : kNames)
        if (n.Kind == kind)
            return QLatin1String(n.Text);
    return {};
}

} // namespace Monitor
