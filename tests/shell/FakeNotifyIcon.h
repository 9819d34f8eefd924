#pragma once
#include "shell/NotifyIcon.h"

#include <QString>
#include <vector>

// A notification area that records what it is asked to do. The test keeps a pointer to the
// journal, which outlives the fake (the tray icon owns and deletes the fake).
struct TNotifyJournal {
    struct TCall {
        QString Op; // "add", "modify", "delete", "menu"
        TNotifyIconData Data;
    };
    std::vector<TCall> Calls;
    bool AddSucceeds = true;
    bool Available = true;
    bool Shown = false;
    QPoint Cursor{100, 200};
    INotifyIcon::TCallback Callback;
    INotifyIcon::TAvailabilityCallback AvailabilityCallback;

    int Count(const QString& op) const
    {
        int n = 0;
        for (const auto& c : Calls)
            n += c.Op == op;
        return n;
    }
    const TNotifyIconData& Last() const { return Calls.back().Data; }
    // A notification area appears or goes away, as the desktop would report it.
    void SetAvailable(bool Value)
    {
        Available = Value;
        if (AvailabilityCallback)
            AvailabilityCallback(Value);
    }
    // Sends a mouse message as the notification area would.
    void Send(std::uint32_t MouseMessage, std::uint32_t Message = TrayCallbackMessage)
    {
        if (Callback)
            Callback(Message, MouseMessage);
    }
};

class TFakeNotifyIcon : public INotifyIcon {
public:
    explicit TFakeNotifyIcon(TNotifyJournal& Journal) : J(Journal) {}
    bool Add(const TNotifyIconData& Data) override
    {
        J.Calls.push_back({"add", Data});
        J.Shown = J.AddSucceeds;
        return J.AddSucceeds;
    }
    bool Modify(const TNotifyIconData& Data) override
    {
        J.Calls.push_back({"modify", Data});
        return J.Shown;
    }
    bool Delete(const TNotifyIconData& Data) override
    {
        J.Calls.push_back({"delete", Data});
        J.Shown = false;
        return true;
    }
    void SetCallback(TCallback Callback) override { J.Callback = std::move(Callback); }
    void SetAvailabilityCallback(TAvailabilityCallback Callback) override
    {
        J.AvailabilityCallback = std::move(Callback);
    }
    bool IsAvailable() const override { return J.Available; }
    QPoint CursorPos() const override { return J.Cursor; }
    void ShowMenu(QMenu*, QPoint Pos) override
    {
        TNotifyIconData d;
        d.szTip = QStringLiteral("%1,%2").arg(Pos.x()).arg(Pos.y());
        J.Calls.push_back({"menu", d});
    }

private:
    TNotifyJournal& J;
};
