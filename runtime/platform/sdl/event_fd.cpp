// Kept apart from the backend: the X11 headers bring macros (None, Success,
// Bool...) that must not leak into other code.
#include "runtime/platform/sdl/event_fd.h"

#include <SDL_syswm.h>

namespace corvelin::platform::sdl {

int EventFd(SDL_Window* window) {
#if defined(SDL_VIDEO_DRIVER_X11)
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (window != nullptr && SDL_GetWindowWMInfo(window, &info) == SDL_TRUE &&
      info.subsystem == SDL_SYSWM_X11) {
    return ConnectionNumber(info.info.x11.display);
  }
#else
  (void)window;
#endif
  return -1;
}

}  // namespace corvelin::platform::sdl
