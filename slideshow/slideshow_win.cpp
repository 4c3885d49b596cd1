#include "slideshow/slideshow_win.h"

#include <windows.h>
#include <GL/gl.h>

void AdvanceSlideshow() {}

bool DrawFrame() {
  glClear(GL_COLOR_BUFFER_BIT);
  glLoadIdentity();
  Sleep(20);
  return true;
}
