// Any text either fails to parse with a format error, or parses into data whose written form
// parses back into the same data and is written again byte for byte the same.
#include "framework/RegistryFile.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray text(reinterpret_cast<const char*>(data), qsizetype(size));
    TRegistryData parsed;
    try {
        parsed = TRegistryData::Parse(text);
    } catch (const ERegistryFormatError&) {
        return 0;
    }
    const QByteArray written = parsed.Serialize();
    TRegistryData again;
    try {
        again = TRegistryData::Parse(written);
    } catch (const ERegistryFormatError&) {
        std::abort(); // what the program writes, it must read
    }
    if (!(again == parsed) || again.Serialize() != written)
        std::abort();
    return 0;
}
