#pragma once
class QWidget;

// Makes the custom controls readable by assistive technology (screen readers, and any tool that
// reads the accessibility tree): the readout and the lamp say their text, the meter gives its
// latest value and range, the flat button is a push button and the spin field a spin box.
// Each control calls it when created; only the first call does anything.
void InstallControlsAccessibility();

// Tells assistive technology that what the control reads out changed. Costs nothing while no
// assistive tool listens.
void AnnounceNameChange(QWidget* control);
void AnnounceValueChange(QWidget* control, int value);
