// The file descriptor on which the display connection's events arrive, so the
// message loop can sleep on it directly.
#pragma once

#include <SDL.h>

namespace corvelin::platform::sdl {

// The connection's descriptor for an X11 window, -1 for other video drivers.
int EventFd(SDL_Window* window);

}  // namespace corvelin::platform::sdl
