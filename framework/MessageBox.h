#pragma once
#include <QString>
#include <exception>
#include <functional>

class QWidget;

// Modal message boxes, with a seam so tests can answer them without a display.

// Shows text in a modal box with an OK button and waits until it is closed.
void ShowMessage(const QString& text);

// Shows text in a box that does not wait (the program runs on while it is open), with the text
// selectable, so that a path or a reason in it can be copied. Goes through the same hook.
void ShowNotice(const QString& text);

// The application's default handler for an exception raised in an event handler: shows its
// message and lets the program run on.
void ShowException(const std::exception& e);

// Runs handler and hands any exception it raises to ShowException.
void RunGuarded(const std::function<void()>& handler);

// Replaces the modal box (tests record the text instead); an empty hook restores the real box.
using TMessageBoxHook = std::function<void(const QString& text)>;
void SetMessageBoxHook(TMessageBoxHook hook);
