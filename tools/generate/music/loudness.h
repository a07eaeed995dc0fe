#pragma once

// Loudness as broadcasters and players measure it (ITU-R BS.1770, EBU R128): K-weighted
// mean square over gated 400 ms blocks, in LUFS.

#include "synth.h"

double integratedLoudness(const Stereo& signal, double sampleRate);
