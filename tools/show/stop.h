#pragma once

#include <csignal>

// Ctrl-C and SIGTERM: from installStopHandlers on, they only set stopSignal, so a tool can
// end after its current frame and still report.
extern volatile std::sig_atomic_t stopSignal;
void installStopHandlers();

// The exit status of a tool that ran to its end, or was stopped by stopSignal.
int statusAfterStop();
