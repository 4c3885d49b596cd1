// Process-wide values shared between the main thread and the background threads.
#pragma once

#include <atomic>
#include <mutex>

// Set once by the main thread at shutdown and never cleared; every waiting
// download polls the first, the gallery scrape the second.
extern std::atomic<bool> stop_downloads;
extern std::atomic<bool> stop_refresh;

// The three locks, created by start-up in this order before any thread exists.
// They are never destroyed: a background thread that has not yet seen the stop
// flags may still take one while the process ends.
std::mutex& PhotoListLock();  // around appends by the refresh thread and deletes by the sequencer
std::mutex& RefreshLock();    // around the creation of the refresh thread
std::mutex& WeatherLock();    // around the creation of the weather thread
void CreateLocks();
