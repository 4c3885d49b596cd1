#include "net/gallery_refresh_win.h"

#include "app/run_state.h"

unsigned __stdcall RefreshThreadMain(void*) {
  refresh_thread_id = 0;
  return 0;
}
