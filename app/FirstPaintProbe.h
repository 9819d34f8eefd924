#pragma once
#include <QEvent>
#include <QObject>
#include <cstdio>

// Test-only: prints "first-paint" on standard output when the watched window first paints, so
// that a benchmark can time the start-up from outside. Header-only, so that the minimal Qt
// program the benchmark compares with uses the very same probe without linking the app.
class TFirstPaintProbe : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint && !FDone) {
            FDone = true;
            std::fputs("first-paint\n", stdout);
            std::fflush(stdout);
        }
        return false;
    }

private:
    bool FDone = false;
};
