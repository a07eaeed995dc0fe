#include "gfx/prefetch_times.h"

#include <chrono>
#include <mutex>

namespace {

std::mutex timesMutex;
PrefetchTimes times;

} // namespace

PrefetchTimes prefetchTimes() {
    std::lock_guard<std::mutex> lock(timesMutex);
    return times;
}

double prefetchClockMs() {
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

void addPrefetchTime(double PrefetchTimes::*figure, double startMs) {
    const double elapsed = prefetchClockMs() - startMs;
    std::lock_guard<std::mutex> lock(timesMutex);
    times.*figure += elapsed;
}
