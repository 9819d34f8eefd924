#pragma once
#include <QString>

class QWidget;
class TLabel;
class TPanel;

// The header bar of the settings window on top of another window of the program: the blue
// gradient with its cut end, the green ball and the window's name in large white letters.
// Returns the panel; *caption gets the name's label.
TPanel* MakeHeaderPanel(QWidget* form, const QString& name, TLabel** caption);
