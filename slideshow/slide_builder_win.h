// The slide builder thread: decodes and fits photos (the imaging codecs) and
// draws the weather and notice slides (GDI+), with no GL, so the main thread
// only uploads them. Main thread only.
#pragma once

#include <windows.h>
#include <GL/gl.h>

#include "slideshow/slide_builder.h"

// Hands the job to a builder thread, which is started on first use; false
// when the last build has been neither finished nor abandoned.
[[nodiscard]] bool StartSlideBuild(SlideJob job);

// Never waits: once the build is done, uploads it into `texture` and sets
// the slot's size, and returns true; false while it runs.
[[nodiscard]] bool FinishSlideBuild(GLuint texture, int slot);

// Gives up on the running build, which may never return, and leaves `slot`
// empty (0 x 0, drawn black); the next build goes to another builder thread.
void AbandonSlideBuild(int slot);

// A build is queued or running, an abandoned one included, so a builder
// thread may be using GDI+. Once the main loop has ended no build is started,
// so a false answer then stays false: GDI+ may be shut down.
bool SlideBuildRunning();
