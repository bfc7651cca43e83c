// Small X11 chores for the end-to-end test:
//
//   e2e_xhelper close WINDOW       asks the window to close as a window manager
//                                  does (WM_PROTOCOLS / WM_DELETE_WINDOW)
//   e2e_xhelper count FILE.ppm X Y W H RRGGBB [TOLERANCE]
//                                  prints how many pixels of the rectangle have
//                                  the colour (each channel within TOLERANCE)
#include <X11/Xlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

int Close(const char* id_text) {
  const Window window = std::strtoul(id_text, nullptr, 0);
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    std::fprintf(stderr, "e2e_xhelper: cannot open the display\n");
    return 1;
  }
  XEvent e{};
  e.xclient.type = ClientMessage;
  e.xclient.window = window;
  e.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
  e.xclient.format = 32;
  e.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
  e.xclient.data.l[1] = CurrentTime;
  const Status sent = XSendEvent(display, window, False, NoEventMask, &e);
  XSync(display, False);
  XCloseDisplay(display);
  if (sent == 0) {
    std::fprintf(stderr, "e2e_xhelper: the close message could not be sent\n");
    return 1;
  }
  return 0;
}

// Reads the next header number of a binary PPM, skipping blanks and comments.
bool Number(const std::string& s, size_t& at, long& out) {
  while (at < s.size()) {
    if (s[at] == '#') {
      while (at < s.size() && s[at] != '\n') ++at;
    } else if (s[at] == ' ' || s[at] == '\t' || s[at] == '\n' || s[at] == '\r') {
      ++at;
    } else {
      break;
    }
  }
  const size_t start = at;
  out = 0;
  while (at < s.size() && s[at] >= '0' && s[at] <= '9') out = out * 10 + (s[at++] - '0');
  return at > start;
}

int Count(int argc, char** argv) {
  if (argc < 8) {
    std::fprintf(stderr, "usage: e2e_xhelper count FILE.ppm X Y W H RRGGBB [TOLERANCE]\n");
    return 2;
  }
  std::ifstream in(argv[2], std::ios::binary);
  const std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  size_t at = 2;
  long width = 0, height = 0, max = 0;
  if (data.compare(0, 2, "P6") != 0 || !Number(data, at, width) || !Number(data, at, height) ||
      !Number(data, at, max) || max != 255 || width <= 0 || height <= 0) {
    std::fprintf(stderr, "e2e_xhelper: %s is not an 8-bit binary PPM\n", argv[2]);
    return 1;
  }
  ++at;  // the one blank after the header
  if (data.size() < at + static_cast<size_t>(width * height * 3)) {
    std::fprintf(stderr, "e2e_xhelper: %s is cut short\n", argv[2]);
    return 1;
  }
  const long x0 = std::atol(argv[3]), y0 = std::atol(argv[4]);
  const long w = std::atol(argv[5]), h = std::atol(argv[6]);
  const unsigned long rgb = std::strtoul(argv[7], nullptr, 16);
  const long tolerance = argc > 8 ? std::atol(argv[8]) : 0;
  const long want[3] = {static_cast<long>((rgb >> 16) & 0xFF), static_cast<long>((rgb >> 8) & 0xFF),
                        static_cast<long>(rgb & 0xFF)};
  long count = 0;
  for (long y = std::max(0L, y0); y < std::min(height, y0 + h); ++y) {
    for (long x = std::max(0L, x0); x < std::min(width, x0 + w); ++x) {
      const size_t p = at + static_cast<size_t>((y * width + x) * 3);
      bool match = true;
      for (int ch = 0; ch < 3; ++ch) {
        if (std::labs(static_cast<unsigned char>(data[p + static_cast<size_t>(ch)]) - want[ch]) >
            tolerance) {
          match = false;
        }
      }
      if (match) ++count;
    }
  }
  std::printf("%ld\n", count);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 3 && std::strcmp(argv[1], "close") == 0) return Close(argv[2]);
  if (argc >= 2 && std::strcmp(argv[1], "count") == 0) return Count(argc, argv);
  std::fprintf(stderr,
               "usage: e2e_xhelper close WINDOW | count FILE.ppm X Y W H RRGGBB [TOLERANCE]\n");
  return 2;
}
