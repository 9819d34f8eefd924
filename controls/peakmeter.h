#pragma once
#include "controls/BaseGraphicControl.h"
#include "controls/PeakScale.h"
#include "framework/Colors.h"

#include <QImage>
#include <vector>

class QPainter;

// A meter that plots an integer value against a scale chosen from the largest value ever set
// (the peak): as one bar (pmBar) or as a line of the recent values scrolling in from the right,
// one pixel column per value (pmHistoryPoint). It draws a baseline, grid lines, optional value
// labels on an axis at the left, and a marker at the peak. The scale only ever grows.
class TPeakMeter : public TBaseGraphicControl {
    Q_OBJECT
public:
    enum TBorderStyle { bsNone, bsSingle };
    Q_ENUM(TBorderStyle)
    enum TPmStyle { pmBar, pmHistoryPoint };
    Q_ENUM(TPmStyle)

private:
    Q_PROPERTY(TColor BackgroundColor READ BackgroundColor WRITE SetBackgroundColor)
    Q_PROPERTY(TColor BarColor READ BarColor WRITE SetBarColor)
    Q_PROPERTY(TBorderStyle BorderStyle READ BorderStyle WRITE SetBorderStyle)
    Q_PROPERTY(bool Ctl3D READ Ctl3D WRITE SetCtl3D)
    Q_PROPERTY(TColor GridColor READ GridColor WRITE SetGridColor)
    Q_PROPERTY(int MarginBottom READ MarginBottom WRITE SetMarginBottom)
    Q_PROPERTY(int MarginLeft READ MarginLeft WRITE SetMarginLeft)
    Q_PROPERTY(int MarginRight READ MarginRight WRITE SetMarginRight)
    Q_PROPERTY(int MarginTop READ MarginTop WRITE SetMarginTop)
    Q_PROPERTY(TColor PeakColor READ PeakColor WRITE SetPeakColor)
    Q_PROPERTY(bool ShowValues READ ShowValues WRITE SetShowValues)
    Q_PROPERTY(TPmStyle Style READ Style WRITE SetStyle)
    Q_PROPERTY(int Value READ Value WRITE SetValue)
    // The colour of the label text (the font's colour).
    Q_PROPERTY(TColor FontColor READ FontColor WRITE SetFontColor)

public:
    explicit TPeakMeter(QWidget* parent = nullptr);
    ~TPeakMeter() override;

    TColor BackgroundColor() const { return FBackgroundColor; }
    void SetBackgroundColor(TColor value);
    TColor BarColor() const { return FBarColor; }
    void SetBarColor(TColor value);
    TBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle value);
    bool Ctl3D() const { return FCtl3D; }
    void SetCtl3D(bool value);
    TColor GridColor() const { return FGridColor; }
    void SetGridColor(TColor value);
    int MarginBottom() const { return FMarginBottom; }
    void SetMarginBottom(int value);
    int MarginLeft() const { return FMarginLeft; }
    void SetMarginLeft(int value);
    int MarginRight() const { return FMarginRight; }
    void SetMarginRight(int value);
    int MarginTop() const { return FMarginTop; }
    void SetMarginTop(int value);
    TColor PeakColor() const { return FPeakColor; }
    void SetPeakColor(TColor value);
    bool ShowValues() const { return FShowValues; }
    void SetShowValues(bool value);
    TPmStyle Style() const { return FStyle; }
    void SetStyle(TPmStyle value);
    int Value() const { return FValue; }
    // In pmBar an equal value changes nothing; in pmHistoryPoint every assignment pushes the
    // old value into the history.
    void SetValue(int value);
    TColor FontColor() const { return FFontColor; }
    void SetFontColor(TColor value);

    // The largest value ever set; never lowered.
    int Peak() const { return FPeak; }
    // Oldest first; -1 marks an empty slot. Empty until the first paint in pmHistoryPoint.
    const std::vector<int>& History() const { return FHistory; }
    // Resizes the history to n entries, keeping the newest at the end and filling new slots at
    // the front with -1; n <= 0 leaves no history.
    void SetHistorySize(int n);

    // Empty slots in the history.
    static constexpr int EmptySlot = -1;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    // Draws the whole control onto its surface.
    virtual void Paint(QPainter& canvas);

private:
    void DrawFrame(QPainter& canvas, QRect& area) const;
    // The parts of the plot that depend only on the scale and the properties; returns the
    // label column's width.
    int DrawGround(QPainter& p, int W, int H, const TPeakScale& scale) const;
    int LabelColumn(QPainter& p, const TPeakScale& scale) const;
    // The values over the ground: the bar or the history line, and the peak marker.
    // `p` paints on `target`.
    void DrawTrace(QPainter& p, QImage& target, int W, int H, const TPeakScale& scale,
                   int labelColumn);
    template <class T> void Change(T& field, T value);

    TColor FBackgroundColor = clBtnFace;
    TColor FBarColor = clBlue;
    TBorderStyle FBorderStyle = bsSingle;
    bool FCtl3D = true;
    TColor FGridColor = clBlack;
    int FMarginBottom = 10;
    int FMarginLeft = 10;
    int FMarginRight = 10;
    int FMarginTop = 10;
    TColor FPeakColor = clRed;
    bool FShowValues = true;
    TPmStyle FStyle = pmBar;
    int FValue = 0;
    TColor FFontColor = clWindowText;

    int FPeak = 0;
    std::vector<int> FHistory;
    // The plot drawn off-screen, kept between paints while the plot area keeps its size.
    QImage FBitmap;
    // The ground drawn for this scale, and its label column.
    QImage FGround;
    TPeakScale FGroundScale;
    int FGroundAxis = 0;
};
