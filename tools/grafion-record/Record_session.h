#pragma once
// One run of grafion-record: find the controller on the interface, connect, start the
// acquisition, record until the time is up, the user interrupts or the recording fails, and
// say how it went. Returns the exit code (Record_options.h).
#include "Record_options.h"

#include <atomic>
#include <cstdio>

int run_recording(const RecordOptions& options, const std::atomic<bool>& interrupted,
                  std::FILE* out);
