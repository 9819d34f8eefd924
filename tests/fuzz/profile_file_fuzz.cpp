// Any file content: a written value reads back as written (its quotes aside), other sections
// keep what they held, and a deleted section reads as missing.
#include "framework/ProfileFile.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray content(reinterpret_cast<const char*>(data), qsizetype(size));
    const auto other = ProfileLookup(content, "Other", "N", 64);
    for (const char* value : {"v", "1,2,3,4", ""}) {
        const QByteArray written = ProfileWrite(content, "S", QString("N"), QString(value));
        if (ProfileLookup(written, "s", "n") != QString(value))
            std::abort();
        if (ProfileLookup(written, "Other", "N", 64) != other)
            std::abort();
    }
    const QByteArray removed = ProfileWrite(content, "S", QString("N"), std::nullopt);
    if (ProfileLookup(removed, "Other", "N", 64) != other)
        std::abort();
    const QByteArray erased = ProfileWrite(content, "S", std::nullopt, std::nullopt);
    if (ProfileLookup(erased, "S", "N").has_value())
        std::abort();
    return 0;
}
