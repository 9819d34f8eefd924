#pragma once
// Windows-1254 (Turkish) single-byte codes of characters, for the places where the program
// compares characters by their single-byte code (the readout's character tables).
#include <QString>
#include <vector>

// The Windows-1254 code (0 ... 255) of a Unicode code point, or -1 when the code page has none.
int Cp1254Code(char32_t ch);

// The codes of a text, one per character (a surrogate pair is one character).
std::vector<int> Cp1254Codes(const QString& text);
