// Names the calling thread for debuggers and profilers (and, under Wine, for
// the system's thread list, which scripts/bench_cost.sh reads).
#pragma once

void NameThisThread(const wchar_t* name);
