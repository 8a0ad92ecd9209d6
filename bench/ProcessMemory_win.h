// The process's private (committed) memory, for the figures programs. Wine leaves the
// private-bytes field at 0 but keeps the commit charge in PagefileUsage, which on Windows
// is the same figure.
#pragma once

#include <windows.h>
// (psapi.h needs the definitions of windows.h)
#include <psapi.h>

inline double PrivateMegabytes() {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                         sizeof counters);
    SIZE_T bytes = counters.PrivateUsage ? counters.PrivateUsage : counters.PagefileUsage;
    return static_cast<double>(bytes) / (1024.0 * 1024.0);
}
