// The refresh thread: one version check and one gallery refresh run, then it ends.
#pragma once

#include <string>

// Appends the photo the refresh stored at `local_path` to the photo list; the
// photo library, which starts the thread, hands in its own.
using StoredPhotoAppend = void (*)(const std::wstring& local_path);

// Body of the refresh thread; StartRefreshThread clears refresh_thread_id
// after it.
void RunRefreshThread(StoredPhotoAppend append);

// One refresh run of the chosen gallery: listing page into "index.htm", new
// photos fetched (at most 20) and passed to `append`, photos still listed
// made young, last_refresh_time set to now.
void RefreshGallery(StoredPhotoAppend append);
