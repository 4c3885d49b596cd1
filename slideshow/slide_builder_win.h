// The slide builder threads: they decode and fit photos (the imaging codecs)
// and draw the weather and notice slides (GDI+), with no GL, so the main
// thread only uploads them. Main thread only.
#pragma once

#include <windows.h>
#include <GL/gl.h>

#include <optional>

#include "slideshow/slide_builder.h"
#include "slideshow/slide_sequencer.h"

// The builders every slideshow shares, each thread started on first use.
// Allocated here and never freed: a builder thread, an abandoned one above
// all, may still run when the process ends, and it must find its hand-over
// (and GDI+, see RunSaver) alive.
SlideBuilders& SharedSlideBuilders();

// Never waits: once the build is done, uploads it into `texture` and returns
// the size of the picture it uploaded (0 x 0 for a slide without one); empty
// while it runs.
[[nodiscard]] std::optional<SlideSize> FinishSlideBuild(SlideBuildLane& lane, GLuint texture);
