#include "app/FontConfigWarmUp.h"

#include <fontconfig/fontconfig.h>
#include <system_error>

TFontConfigWarmUp::TFontConfigWarmUp()
{
    try {
        FThread = std::thread([] { FcInit(); });
    } catch (const std::system_error&) {
        // No thread to spare: the fonts are read on first use, as without the warm-up.
    }
}

TFontConfigWarmUp::~TFontConfigWarmUp()
{
    Wait();
}

void TFontConfigWarmUp::Wait()
{
    if (FThread.joinable())
        FThread.join();
}
