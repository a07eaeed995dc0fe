#pragma once

// What reading files ahead cost, for the tools that time start-up: decoding on the
// workers, and how long callers waited in loadImage and takeModel (with any decoding or
// import they did themselves because no worker had begun it). Milliseconds since the
// program started; safe from any thread.
struct PrefetchTimes {
    double workerDecodingMs = 0.0;
    double imageWaitMs = 0.0;
    double modelWaitMs = 0.0;
};

PrefetchTimes prefetchTimes();

// Adds the time since `startMs` (a prefetchClockMs reading) to one of the figures.
void addPrefetchTime(double PrefetchTimes::*figure, double startMs);
double prefetchClockMs();
