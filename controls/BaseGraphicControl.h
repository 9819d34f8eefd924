#pragma once
#include "framework/Events.h"

#include <QString>
#include <QWidget>

class QMouseEvent;

// A control without behaviour of its own that paints inside its bounds and reports the mouse
// through the usual events: OnMouseDown, OnMouseMove and OnMouseUp with the position in the
// control's own coordinates (buttons other than left, right and middle are not reported), OnClick
// for a left press released inside the control, and OnDblClick for a left double click (followed by
// OnMouseDown with ssDouble).
class TBaseGraphicControl : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString About READ About WRITE SetAbout STORED false)

public:
    explicit TBaseGraphicControl(QWidget* parent = nullptr);

    // The version of the control family; writing it is accepted and ignored.
    QString About() const;
    void SetAbout(const QString&) {}

    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TMouseEvent OnMouseDown;
    TMouseMoveEvent OnMouseMove;
    TMouseEvent OnMouseUp;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool FClicked = false;
};
