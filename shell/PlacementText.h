#pragma once
// The placement texts of a stored window placement ("MinMaxPos", "NormPos": "%d,%d,%d,%d") and
// the window rectangle they give. Pure functions: the texts come from a file anyone may edit.
#include <QRect>
#include <QSize>
#include <QStringList>
#include <optional>

namespace PlacementText {

// The words of a placement text: runs of characters between blanks and commas; runs of several
// delimiters count as one and delimiters at the start are skipped.
QStringList Words(const QString& text);

// Word index as a decimal integer; def when the word is missing or no 32-bit integer.
int WordInt(const QStringList& words, int index, int def);

// The rectangle stored as left, top, right, bottom. A window of fixed size keeps fixedSize and
// takes only the position. None when right is not greater than left. Numbers at the integer
// limits give a rectangle within Qt's widget limits instead of an overflow.
std::optional<QRect> StoredRect(int left, int top, int right, int bottom,
                                std::optional<QSize> fixedSize);

} // namespace PlacementText
