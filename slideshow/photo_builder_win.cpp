#include "slideshow/photo_builder_win.h"

#include <process.h>

#include "app/win_handle.h"
#include "slideshow/photo_builder.h"
#include "slideshow/slide_textures_win.h"

namespace {

// Allocated once and never freed: the builder thread may still run when the
// process ends, and it must find its hand-over (and GDI+, see RunSaver) alive.
PhotoBuildHandOver& HandOver() {
  static PhotoBuildHandOver& hand_over = *new PhotoBuildHandOver(DecodePhotoOntoCanvas);
  return hand_over;
}

unsigned __stdcall BuilderThreadMain(void*) {
  for (;;) HandOver().RunOne();
}

// Started once, below the main thread's priority so frames keep their pace
// while a photo decodes; never joined.
bool BuilderThreadRunning() {
  static bool started = false;
  if (started) return true;
  const KernelHandle thread(
      reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, BuilderThreadMain, nullptr, 0, nullptr)));
  if (!thread) return false;  // the next build tries again
  SetThreadPriority(thread.get(), THREAD_PRIORITY_BELOW_NORMAL);
  started = true;
  return true;
}

}  // namespace

bool StartPhotoBuild(const std::wstring& path) {
  if (!HandOver().Start(path)) return false;
  // Without a builder thread the main thread builds the photo itself: slower,
  // but the show goes on.
  if (!BuilderThreadRunning()) HandOver().RunOne();
  return true;
}

bool FinishPhotoBuild(GLuint texture, int slot) {
  return HandOver().Collect(
      [&](const uint32_t* canvas, const PhotoFit& fit) { UploadPhotoCanvas(canvas, fit, texture, slot); });
}

bool PhotoBuildRunning() { return HandOver().Busy(); }
