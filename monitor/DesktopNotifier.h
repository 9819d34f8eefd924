#pragma once
// Desktop notifications through the freedesktop notification service
// (org.freedesktop.Notifications on the session bus). The call is asynchronous: the user
// interface never waits for the service. With no session bus, or no service on it, nothing is
// shown and nothing is reported: a notification is a courtesy, never a failure.
// Every notification carries the program's icon and desktop entry (the application's desktop
// file name), so the desktop shows and groups it as the program's.
#include <QString>
#include <functional>

namespace Monitor {

enum class TUrgency { Low = 0, Normal = 1, Critical = 2 };

// Sends one notification titled `title` (the program's name) with `body`, which the service
// reads as markup: escape what is not the program's own. It takes the place of the shown
// notification numbered `replaces` (0: none); the service's number for it goes to onShown once
// the service answers.
void NotifyDesktop(const QString& title, const QString& body, TUrgency urgency,
                   unsigned replaces = 0, std::function<void(unsigned id)> onShown = {});

// Replaces the sending (tests record the notifications); an empty hook restores it.
void SetNotifyHook(std::function<void(const QString& title, const QString& body)> hook);

} // namespace Monitor
