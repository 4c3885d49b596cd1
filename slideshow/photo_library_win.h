// The photo library's Win32 edge: the folder scan, file deletion and the
// start of the refresh thread. The list itself is in photo_list.h.
#pragma once

#include <functional>

#include "slideshow/photo_list.h"

// Rebuilds the process-wide list from the data folder's "*.jpg" files, oldest
// first, after deleting leftovers of interrupted downloads; takes
// last_refresh_time from "index.htm" when it exists.
void ScanPhotoFolder();

// Deletes the oldest photo's file and drops its record, even when the file
// cannot be deleted.
void DeleteOldestPhoto();

// Starts the refresh thread unless one runs (refresh_thread_id != 0). The id
// is stored before the thread may run and cleared after `body`, as the
// thread's last step. Main thread only. Tests pass their own body.
void StartRefreshThread();
void StartRefreshThread(std::function<void()> body);
