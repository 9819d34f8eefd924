#pragma once
#include <thread>

// Reads the desktop's font configuration on a worker thread. Reading it takes a few
// milliseconds that the first label would otherwise spend on the user-interface thread; started
// before the application object, it overlaps with the set-up of the display connection.
// Wait() (or the destructor) must return before anything measures or draws text.
class TFontConfigWarmUp {
public:
    TFontConfigWarmUp();
    ~TFontConfigWarmUp();
    TFontConfigWarmUp(const TFontConfigWarmUp&) = delete;
    TFontConfigWarmUp& operator=(const TFontConfigWarmUp&) = delete;

    void Wait();

private:
    std::thread FThread;
};
