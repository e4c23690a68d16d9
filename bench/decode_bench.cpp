// Decoding the shipped splash bitmap against a plain memcpy of its pixel bytes, the floor
// that any decoder has to copy; prints the ratio of the two (goal: at most 1.5), and the
// ratio to that copy plus making the DIB section, which decoding can't do without.
#include <benchmark/benchmark.h>

#include <stdio.h>
#include <string.h>

#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "platform/host/host.h"
#include "splash/bitmap.h"

namespace {

const std::string& ShippedBitmap()
{
    static const std::string file = []() {
        std::ifstream in(KOL_SOURCE_DIR "/resources/splash.bmp", std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }();
    return file;
}

void DecodeShippedBitmap(benchmark::State& state)
{
    const std::string& file = ShippedBitmap();
    int width;
    int height;
    int sinceReset = 0;
    for (auto _ : state) {
        HBITMAP bitmap =
            DecodeSplashBitmap((const BYTE*)file.data(), (int)file.size(), &width, &height);
        HostDeleteBitmap(bitmap);
        // The stand-in's call log grows with every call.
        if (++sinceReset == 65536) {
            state.PauseTiming();
            HostReset();
            sinceReset = 0;
            state.ResumeTiming();
        }
    }
    if (width != 139 || height != 136)
        state.SkipWithError("the shipped bitmap was not decoded");
}

void CopyPixelBytes(benchmark::State& state)
{
    const std::string& file = ShippedBitmap();
    size_t pixelBytes = file.size() - 54;
    std::vector<char> target(pixelBytes);
    for (auto _ : state) {
        memcpy(target.data(), file.data() + 54, pixelBytes);
        benchmark::ClobberMemory();
    }
}

// What the platform's part of decoding costs on the host: the stand-in hands out zeroed
// pixel memory, as a real system does.
void MakeDibSection(benchmark::State& state)
{
    const std::string& file = ShippedBitmap();
    const BITMAPINFO* info = (const BITMAPINFO*)(file.data() + 14);
    for (auto _ : state) {
        void* pixels;
        HDC screen = CreateDCW(TEXT("DISPLAY"), NULL, NULL, NULL);
        HBITMAP bitmap = CreateDIBSection(screen, info, DIB_RGB_COLORS, &pixels, NULL, 0);
        DeleteDC(screen);
        HostDeleteBitmap(bitmap);
    }
    HostReset();
}

BENCHMARK(DecodeShippedBitmap);
BENCHMARK(CopyPixelBytes);
BENCHMARK(MakeDibSection);

// Prints what the console reporter prints, then the ratio.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            times[run.benchmark_name()] = run.GetAdjustedCPUTime();
    }
    std::map<std::string, double> times;
};

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    double decode = reporter.times["DecodeShippedBitmap"];
    double copy = reporter.times["CopyPixelBytes"];
    double dib = reporter.times["MakeDibSection"];
    if (decode > 0 && copy > 0 && dib > 0) {
        printf("CPU time, decoding / memcpy of the pixel bytes: %.2f (goal: at most 1.5)\n",
               decode / copy);
        printf("CPU time, decoding / (making the DIB section + memcpy): %.2f\n",
               decode / (dib + copy));
    }
    return 0;
}
