#include "controls/Cp1254.h"

#include <QList>
#include <array>

namespace {

// Unicode of the codes 0x80 ... 0x9F. The five codes the code page leaves undefined map to the
// control character of the same number, as the system's conversion does.
constexpr std::array<char32_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x008E, 0x008F, // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x009E, 0x0178, // 98-9F
};

// Codes 0xA0 ... 0xFF are ISO 8859-1 except these six Turkish letters.
struct TTurkish {
    int Code;
    char32_t Unicode;
};
constexpr std::array<TTurkish, 6> kTurkish = {{
    {0xD0, 0x011E}, // G breve
    {0xDD, 0x0130}, // I with dot above
    {0xDE, 0x015E}, // S cedilla
    {0xF0, 0x011F}, // g breve
    {0xFD, 0x0131}, // dotless i
    {0xFE, 0x015F}, // s cedilla
}};

} // namespace

int Cp1254Code(char32_t ch)
{
    if (ch < 0x80)
        return int(ch);
    for (std::size_t i = 0; i < kHigh.size(); ++i)
        if (kHigh[i] == ch)
            return int(0x80 + i);
    for (const TTurkish& t : kTurkish)
        if (t.Unicode == ch)
            return t.Code;
    if (ch >= 0xA0 && ch <= 0xFF) {
        for (const TTurkish& t : kTurkish)
            if (t.Code == int(ch))
                return -1; // the Latin-1 letter this code stands for in 8859-1 is not in 1254
        return int(ch);
    }
    return -1;
}

std::vector<int> Cp1254Codes(const QString& text)
{
    std::vector<int> codes;
    codes.reserve(text.size());
    for (const char32_t ch : text.toUcs4())
        codes.push_back(Cp1254Code(ch));
    return codes;
}
