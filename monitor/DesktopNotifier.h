#pragma once
// Desktop notifications through the freedesktop notification service
// (org.freedesktop.Notifications on the session bus). The call is asynchronous: the user
// interface never waits for the service. With no session bus, or no service on it, nothing is
// shown and nothing is reported: a notification is a courtesy, never a failure.
#include <QString>
#include <functional>

namespace Monitor {

enum class TUrgency { Low = 0, Normal = 1, Critical = 2 };

// Sends one notification titled `title` (the program's name) with `body`.
void NotifyDesktop(const QString& title, const QString& body, TUrgency urgency);

// Replaces the sending (tests record the notifications); an empty hook restores it.
void SetNotifyHook(std::function<void(const QString& title, const QString& body)> hook);

} // namespace Monitor
