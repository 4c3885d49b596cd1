// Background threads that announce themselves through an id: non-zero while
// the thread runs, cleared by the thread itself as its last step.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

using ThreadEntry = unsigned(__stdcall*)(void*);

// Starts `entry` unless `id` shows one running. Under `lock`, the thread is
// created suspended and its id stored before it may run, so a thread that ends
// at once cannot leave the id set and block every later start. False when no
// thread was started.
bool StartTrackedThread(ThreadEntry entry, std::atomic<uint32_t>& id, std::mutex& lock);
