#pragma once
#include "framework/Colors.h"
#include "framework/Events.h"

#include <QHash>
#include <QImage>
#include <QObject>
#include <QTimer>
#include <QWidget>

// Panels, images, shapes and the timer of the program's windows.

enum TPanelBevel { bvNone, bvLowered, bvRaised };

// A panel: a coloured area with an outer and an inner one-pixel bevel; its client area (where
// docked children go) lies inside both bevels.
class TPanel : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
public:
    explicit TPanel(QWidget* parent);
    QString Caption() const { return FCaption; }
    void SetCaption(const QString& caption);
    void SetColor(TColor color);
    TColor Color() const { return FColor; }
    void SetBevels(TPanelBevel outer, TPanelBevel inner);

protected:
    void paintEvent(QPaintEvent*) override;

private:
    void DrawBevel(class QPainter& p, QRect& r, TPanelBevel bevel);
    QString FCaption;
    TColor FColor = clBtnFace;
    TPanelBevel FOuter = bvRaised, FInner = bvNone;
};

// An image control showing one picture, stretched to the control or centred in it.
class TImage : public QWidget {
    Q_OBJECT
public:
    explicit TImage(QWidget* parent);
    void SetPicture(const QImage& picture);
    const QImage& Picture() const { return FPicture; }
    void SetStretch(bool stretch);
    void SetCenter(bool center);

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QImage FPicture;
    bool FStretch = false, FCenter = false;
};

enum TShapeType { stRectangle, stCircle };

// A shape with a one-pixel pen and a solid brush. A circle is drawn in the largest square that
// fits the control (its bounding box leaves out the right column and bottom row, by the GDI
// rule), centred in the longer direction.
class TShape : public QWidget {
    Q_OBJECT
public:
    explicit TShape(QWidget* parent, TShapeType shape = stRectangle);
    void SetBrushColor(TColor color);
    TColor BrushColor() const { return FBrush; }
    void SetPenColor(TColor color);
    TColor PenColor() const { return FPen; }
    // The words assistive technology hears while the brush has this colour (a lamp's meaning);
    // a colour without words leaves the name empty.
    void SetColorWords(TColor color, const QString& words);

protected:
    void paintEvent(QPaintEvent*) override;

private:
    void SayColor();

    QHash<TColor, QString> FColorWords;
    TShapeType FShape;
    TColor FBrush = clWhite, FPen = clBlack;
};

// A timer: fires OnTimer every Interval milliseconds while Enabled; an interval of 0 never
// fires.
class TTimer : public QObject {
    Q_OBJECT
public:
    explicit TTimer(QObject* parent);
    int Interval() const { return FInterval; }
    void SetInterval(int ms);
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool enabled);
    // Whether ticks are actually due (enabled with a positive interval).
    bool IsRunning() const { return FTimer.isActive(); }
    TNotifyEvent OnTimer;

private:
    void Update();
    QTimer FTimer;
    int FInterval = 1000;
    bool FEnabled = true;
};
