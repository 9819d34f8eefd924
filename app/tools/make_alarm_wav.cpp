// Writes the program's alarm sound: three short two-tone beeps, 16-bit mono PCM at 22050 Hz.
// Usage: make_alarm_wav OUTPUT.wav
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {
void Put16(std::vector<std::uint8_t>& b, std::uint16_t v)
{
    b.push_back(std::uint8_t(v & 0xFF));
    b.push_back(std::uint8_t(v >> 8));
}
void Put32(std::vector<std::uint8_t>& b, std::uint32_t v)
{
    Put16(b, std::uint16_t(v & 0xFFFF));
    Put16(b, std::uint16_t(v >> 16));
}
void PutTag(std::vector<std::uint8_t>& b, const char* tag)
{
    for (int i = 0; i < 4; ++i)
        b.push_back(std::uint8_t(tag[i]));
}
} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.wav\n", argv[0]);
        return 2;
    }
    constexpr int rate = 22050;
    constexpr double pi = 3.14159265358979323846;
    std::vector<std::int16_t> samples;
    for (int beep = 0; beep < 3; ++beep) {
        const double freq = beep % 2 == 0 ? 1320.0 : 990.0;
        const int n = rate * 12 / 100; // 120 ms tone
        for (int i = 0; i < n; ++i) {
            // Short fades at both ends keep the tone free of clicks.
            const double edge = std::min(1.0, std::min(i, n - 1 - i) / (rate * 0.005));
            const double s = std::sin(2 * pi * freq * i / rate) * 0.6 * edge;
            samples.push_back(std::int16_t(std::lround(s * 32767)));
        }
        samples.insert(samples.end(), rate * 6 / 100, 0); // 60 ms gap
    }
    std::vector<std::uint8_t> b;
    const std::uint32_t dataBytes = std::uint32_t(samples.size() * 2);
    PutTag(b, "RIFF");
    Put32(b, 36 + dataBytes);
    PutTag(b, "WAVE");
    PutTag(b, "fmt ");
    Put32(b, 16);
    Put16(b, 1); // PCM
    Put16(b, 1); // mono
    Put32(b, rate);
    Put32(b, rate * 2);
    Put16(b, 2);
    Put16(b, 16);
    PutTag(b, "data");
    Put32(b, dataBytes);
    for (std::int16_t s : samples)
        Put16(b, std::uint16_t(s));
    std::FILE* f = std::fopen(argv[1], "wb");
    if (!f) {
        std::perror(argv[1]);
        return 1;
    }
    const bool ok = std::fwrite(b.data(), 1, b.size(), f) == b.size();
    if (std::fclose(f) != 0 || !ok) {
        std::perror(argv[1]);
        std::remove(argv[1]);
        return 1;
    }
    return 0;
}
