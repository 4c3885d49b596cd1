// The refresh thread: one version check and one gallery refresh run, then it ends.
#pragma once

// Entry of the refresh thread, shaped for _beginthreadex (argument unused).
// The last thing it does is clear refresh_thread_id, so whoever starts it must
// store the id before the thread can run (create it suspended, or under a lock
// the thread also takes).
unsigned __stdcall RefreshThreadMain(void* unused);

// One refresh run of the chosen gallery: listing page into "index.htm", new
// photos fetched (at most 20) and appended to the photo list, photos still
// listed made young, last_refresh_time set to now.
void RefreshGallery();
