#pragma once

class QWidget;

// Docking of a control inside its parent's client area, in the order the window framework
// applies it: top, bottom, left, right, then the client control takes what is left.
enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };

// Docks w inside its parent; the parent re-arranges its docked children whenever it is resized.
// The parent's client area is its contentsRect() (panels shrink it by their bevels).
void SetAlign(QWidget* w, TAlign align);
TAlign GetAlign(const QWidget* w);

// Arranges the docked children of parent now (also done on every resize).
void ArrangeAligned(QWidget* parent);
