// The refresh thread: one version check and one gallery refresh run, then it ends.
#pragma once

// Body of the refresh thread; StartRefreshThread clears refresh_thread_id
// after it.
void RunRefreshThread();

// One refresh run of the chosen gallery: listing page into "index.htm", new
// photos fetched (at most 20) and appended to the photo list, photos still
// listed made young, last_refresh_time set to now.
void RefreshGallery();
