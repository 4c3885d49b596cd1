// Process-wide values shared between the main thread and the background threads.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

// Set once by the main thread at shutdown and never cleared; every waiting
// download polls the first, the gallery scrape the second.
extern std::atomic<bool> stop_downloads;
extern std::atomic<bool> stop_refresh;

// Id of the running refresh thread, 0 when none runs: set by the main thread
// when it creates the thread, cleared by the refresh thread as its last step.
extern std::atomic<uint32_t> refresh_thread_id;

// End of the last gallery refresh in 100 ns units since 1601-01-01 UTC, 0 for
// never. Written by the photo scan (main thread) and by the end of every
// refresh run; atomic so the sequencer never reads half of a 64-bit value.
extern std::atomic<int64_t> last_refresh_time;

// Set by a refresh run that stored a photo, cleared by the sequencer, which
// then fades to black, rescans the folder and starts over.
extern std::atomic<bool> new_photos_arrived;

// Background threads are never waited for, so the process may end, and run
// its static destructors, while one of them still runs. Whatever such a thread
// can reach therefore lives until the process is gone: it is either trivially
// destructible (these flags and times, the settings record) or allocated once
// and never freed (the locks below, the data folder path, the photo list, the
// published weather report, the fetch environment).
//
// The three locks, created by start-up in this order before any thread exists.
std::mutex& PhotoListLock();  // around appends by the refresh thread and deletes by the sequencer
std::mutex& RefreshLock();    // around the creation of the refresh thread
std::mutex& WeatherLock();    // around the creation of the weather thread
void CreateLocks();
