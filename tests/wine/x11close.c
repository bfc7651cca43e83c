/* Asks an X window to close the way a window manager does: a WM_PROTOCOLS
 * client message with WM_DELETE_WINDOW.
 *   x11close WINDOW-ID   (decimal or 0x.., as xdotool search prints it) */
#include <X11/Xlib.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: x11close WINDOW-ID\n");
    return 2;
  }
  Display* d = XOpenDisplay(NULL);
  if (!d) {
    fprintf(stderr, "x11close: cannot open the display\n");
    return 1;
  }
  Window w = (Window)strtoul(argv[1], NULL, 0);
  XEvent ev;
  memset(&ev, 0, sizeof ev);
  ev.xclient.type = ClientMessage;
  ev.xclient.window = w;
  ev.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
  ev.xclient.format = 32;
  ev.xclient.data.l[0] = (long)XInternAtom(d, "WM_DELETE_WINDOW", False);
  ev.xclient.data.l[1] = CurrentTime;
  XSendEvent(d, w, False, NoEventMask, &ev);
  XSync(d, False);
  XCloseDisplay(d);
  return 0;
}
