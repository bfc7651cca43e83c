#include "runtime/platform/sdl/sdl_backend.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <string>
#include <utility>

#include "assets/assets.h"
#include "runtime/platform/host_text.h"
#include "runtime/platform/native.h"
#include "runtime/platform/sdl/event_fd.h"
#include "runtime/platform/sdl/ico_image.h"

namespace corvelin::platform {
namespace sdl {
namespace {

// Window timers never fire more often than this, as on Windows.
constexpr uint32_t kTimerFloorMs = 10;
// The system's button-face colour, behind everything the controls leave free.
constexpr uint32_t kButtonFace = 0xFFF0F0F0;
// More dirty rectangles than this on one control are merged into one.
constexpr size_t kMaxDirtyRects = 16;

Rect Intersect(const Rect& a, const Rect& b) {
  const int32_t x0 = std::max(a.x, b.x);
  const int32_t y0 = std::max(a.y, b.y);
  const int32_t x1 = std::min(a.x + a.width, b.x + b.width);
  const int32_t y1 = std::min(a.y + a.height, b.y + b.height);
  if (x1 <= x0 || y1 <= y0) return {};
  return {x0, y0, x1 - x0, y1 - y0};
}

bool Empty(const Rect& r) {
  return r.width <= 0 || r.height <= 0;
}

// True when the rectangles overlap or share an edge.
bool Touch(const Rect& a, const Rect& b) {
  return a.x <= b.x + b.width && b.x <= a.x + a.width && a.y <= b.y + b.height &&
         b.y <= a.y + a.height;
}

Rect Union(const Rect& a, const Rect& b) {
  const int32_t x0 = std::min(a.x, b.x);
  const int32_t y0 = std::min(a.y, b.y);
  const int32_t x1 = std::max(a.x + a.width, b.x + b.width);
  const int32_t y1 = std::max(a.y + a.height, b.y + b.height);
  return {x0, y0, x1 - x0, y1 - y0};
}

void AddDirty(std::vector<Rect>& dirty, Rect r) {
  // Merge with every rectangle it touches, repeatedly, so the list stays a set
  // of separate areas.
  for (bool merged = true; merged;) {
    merged = false;
    for (auto it = dirty.begin(); it != dirty.end(); ++it) {
      if (Touch(*it, r)) {
        r = Union(*it, r);
        dirty.erase(it);
        merged = true;
        break;
      }
    }
  }
  dirty.push_back(r);
  if (dirty.size() > kMaxDirtyRects) {
    Rect all = dirty.front();
    for (const Rect& d : dirty) all = Union(all, d);
    dirty.assign(1, all);
  }
}

// The part of a control that lies inside its window's client area, in control
// coordinates.
Rect VisiblePart(const NativeControl& c) {
  const Rect client{-c.rect.x, -c.rect.y, c.parent->client.width, c.parent->client.height};
  return Intersect({0, 0, c.rect.width, c.rect.height}, client);
}

Insets QueryFrame(SDL_Window* window) {
  int top = 0, left = 0, bottom = 0, right = 0;
  if (SDL_GetWindowBordersSize(window, &top, &left, &bottom, &right) != 0) return {};
  return {left, top, right, bottom};
}

// The outer rectangle of a client area inside a frame.
Rect Outer(const Rect& client, const Insets& f) {
  return {client.x - f.left, client.y - f.top, client.width + f.left + f.right,
          client.height + f.top + f.bottom};
}

Rect QueryClient(SDL_Window* window) {
  Rect r;
  SDL_GetWindowPosition(window, &r.x, &r.y);
  SDL_GetWindowSize(window, &r.width, &r.height);
  return r;
}

class SurfaceLock {
 public:
  explicit SurfaceLock(SDL_Surface* s) : s_(s) {
    ok_ = !SDL_MUSTLOCK(s_) || SDL_LockSurface(s_) == 0;
  }
  ~SurfaceLock() {
    if (ok_ && SDL_MUSTLOCK(s_)) SDL_UnlockSurface(s_);
  }
  SurfaceLock(const SurfaceLock&) = delete;
  SurfaceLock& operator=(const SurfaceLock&) = delete;
  bool ok() const { return ok_; }

 private:
  SDL_Surface* s_;
  bool ok_ = false;
};

// Fills `r` (surface coordinates, already clipped) with an opaque colour.
void Fill(SDL_Surface* s, const Rect& r, uint32_t argb) {
  SDL_Rect dst{r.x, r.y, r.width, r.height};
  SDL_FillRect(s, &dst,
               SDL_MapRGB(s->format, static_cast<Uint8>(argb >> 16), static_cast<Uint8>(argb >> 8),
                          static_cast<Uint8>(argb)));
}

// Copies `src` (width x height pixels, `stride` apart, 0xAARRGGBB) opaque to
// the surface at (x, y); the area is already clipped to the surface.
void Copy(SDL_Surface* s, int32_t x, int32_t y, const uint32_t* src, int32_t width, int32_t height,
          int32_t stride) {
  SurfaceLock lock(s);
  if (!lock.ok()) return;
  auto* base = static_cast<uint8_t*>(s->pixels);
  const uint32_t format = s->format->format;
  if (format == SDL_PIXELFORMAT_RGB888 || format == SDL_PIXELFORMAT_ARGB8888) {
    for (int32_t row = 0; row < height; ++row) {
      auto* dst =
          reinterpret_cast<uint32_t*>(base + static_cast<ptrdiff_t>(y + row) * s->pitch) + x;
      const uint32_t* from = src + static_cast<ptrdiff_t>(row) * stride;
      for (int32_t col = 0; col < width; ++col) dst[col] = from[col] | 0xFF000000u;
    }
    return;
  }
  // Any other surface format: let SDL convert, reading the alpha byte as
  // padding so everything lands opaque.
  uint8_t* dst = base + static_cast<ptrdiff_t>(y) * s->pitch + x * s->format->BytesPerPixel;
  SDL_ConvertPixels(width, height, SDL_PIXELFORMAT_RGB888, src, stride * 4, format, dst, s->pitch);
}

}  // namespace

SdlBackend::SdlBackend() {
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
  SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
    std::fprintf(stderr, "Corvelin: cannot open the display (%s); no window can be shown.\n",
                 SDL_GetError());
    return;
  }
  // Without a display SDL falls back to drivers that show nothing; a window
  // nobody can see or close is no use, unless such a driver was asked for.
  const std::string_view driver = SDL_GetCurrentVideoDriver();
  if (SDL_getenv("SDL_VIDEODRIVER") == nullptr &&
      (driver == "offscreen" || driver == "dummy" || driver == "evdev")) {
    std::fprintf(stderr,
                 "Corvelin: no display is available (is DISPLAY set?); no window can be shown.\n");
    SDL_Quit();
    return;
  }
  video_ = true;
  SDL_StopTextInput();  // only key presses matter; no input method
}

SdlBackend::~SdlBackend() {
  for (auto& w : windows_) {
    if (w->sdl != nullptr) SDL_DestroyWindow(w->sdl);
  }
  windows_.clear();
  if (video_) SDL_Quit();
}

Size SdlBackend::ScreenSize() {
  SDL_DisplayMode mode;
  if (!video_ || SDL_GetDesktopDisplayMode(0, &mode) != 0) return {};
  return {mode.w, mode.h};
}

uint32_t SdlBackend::TickCount() {
  return SDL_GetTicks();
}

NativeWindow* SdlBackend::CreateTopLevel(const WindowParams& params, WindowSink* sink) {
  if (!video_) return nullptr;
  std::string caption = host::GbkToUtf8(params.caption_gbk);
  if (caption.empty()) caption = std::string(params.caption_gbk);

  Uint32 flags = SDL_WINDOW_HIDDEN;
  if (params.resizable) flags |= SDL_WINDOW_RESIZABLE;
  if (params.topmost) flags |= SDL_WINDOW_ALWAYS_ON_TOP;
  if (!params.in_taskbar) flags |= SDL_WINDOW_SKIP_TASKBAR;
  const int width = std::max(1, params.outer.width);
  const int height = std::max(1, params.outer.height);
  SDL_Window* window =
      SDL_CreateWindow(caption.c_str(), params.outer.x, params.outer.y, width, height, flags);
  if (window == nullptr) {
    std::fprintf(stderr, "Corvelin: SDL cannot create a window: %s\n", SDL_GetError());
    return nullptr;
  }
  if (params.program_icon) SetIcon(window);

  auto w = std::make_unique<NativeWindow>();
  w->sdl = window;
  w->id = SDL_GetWindowID(window);
  w->sink = sink;
  // The frame (0 without a window manager) comes off the outer rectangle.
  const Insets f = QueryFrame(window);
  if (f != Insets{}) {
    SDL_SetWindowSize(window, std::max(1, width - f.left - f.right),
                      std::max(1, height - f.top - f.bottom));
    SDL_SetWindowPosition(window, params.outer.x + f.left, params.outer.y + f.top);
  }
  w->client = QueryClient(window);
  w->frame = f;
  windows_.push_back(std::move(w));
  return windows_.back().get();
}

void SdlBackend::SetIcon(SDL_Window* window) {
  IconImage icon;
  std::string error;
  if (!DecodeIcoImage(assets::ProgramIcon(), 32, &icon, &error)) {
    std::fprintf(stderr, "Corvelin: the program icon cannot be used: %s\n", error.c_str());
    return;
  }
  SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(
      icon.pixels.data(), icon.width, icon.height, 32, icon.width * 4, SDL_PIXELFORMAT_ARGB8888);
  if (surface == nullptr) return;
  SDL_SetWindowIcon(window, surface);
  SDL_FreeSurface(surface);
}

Rect SdlBackend::WindowRect(NativeWindow* w) {
  return Outer(w->client, WindowFrame(w));
}

Insets SdlBackend::WindowFrame(NativeWindow* w) {
  return QueryFrame(w->sdl);
}

void SdlBackend::SetWindowRect(NativeWindow* w, const Rect& outer) {
  const Insets f = WindowFrame(w);
  const Rect wanted{outer.x + f.left, outer.y + f.top, std::max(1, outer.width - f.left - f.right),
                    std::max(1, outer.height - f.top - f.bottom)};
  const Rect before = w->client;
  if (wanted.width != before.width || wanted.height != before.height) {
    SDL_SetWindowSize(w->sdl, wanted.width, wanted.height);
  }
  if (wanted.x != before.x || wanted.y != before.y) {
    SDL_SetWindowPosition(w->sdl, wanted.x, wanted.y);
  }
  w->client = QueryClient(w->sdl);
  w->frame = f;
  const bool moved = w->client.x != before.x || w->client.y != before.y;
  const bool resized = w->client.width != before.width || w->client.height != before.height;
  if (resized) w->repaint_all = true;
  const uint32_t id = w->id;
  WindowSink* sink = w->sink;
  if (moved) sink->OnMoved();
  if (resized && FindWindow(id) != nullptr) sink->OnResized();
}

void SdlBackend::ShowWindow(NativeWindow* w) {
  SDL_ShowWindow(w->sdl);
  SDL_RaiseWindow(w->sdl);
  w->shown = true;
  w->repaint_all = true;
  // The first frame is drawn at once rather than after whatever the message
  // loop does first.
  PaintWindow(w, nullptr);
}

void SdlBackend::RestoreAndActivate(NativeWindow* w) {
  SDL_RestoreWindow(w->sdl);
  SDL_RaiseWindow(w->sdl);
}

void SdlBackend::DestroyWindow(NativeWindow* w) {
  auto it = std::find_if(windows_.begin(), windows_.end(),
                         [w](const std::unique_ptr<NativeWindow>& p) { return p.get() == w; });
  if (it == windows_.end()) return;
  std::unique_ptr<NativeWindow> gone = std::move(*it);
  windows_.erase(it);
  SDL_DestroyWindow(gone->sdl);
  gone->sdl = nullptr;
  gone->sink->OnDestroyed();
}

NativeControl* SdlBackend::CreateControl(NativeWindow* parent, const ControlParams& params,
                                         ControlSink* sink) {
  auto c = std::make_unique<NativeControl>();
  c->parent = parent;
  c->sink = sink;
  c->rect = params.rect;
  c->background = params.background;
  c->disabled = params.disabled;
  c->focus_on_click = params.focus_on_click;
  parent->controls.push_back(std::move(c));
  return parent->controls.back().get();
}

Rect SdlBackend::ControlRect(NativeControl* c) {
  return c->rect;
}

void SdlBackend::SetControlRect(NativeControl* c, const Rect& rect) {
  if (c->rect == rect) return;
  c->rect = rect;
  c->dirty.clear();
  // What the control used to cover shows the window background again.
  if (c->visible) c->parent->repaint_all = true;
}

void SdlBackend::ShowControl(NativeControl* c) {
  if (c->visible) return;
  c->visible = true;
  const Rect part = VisiblePart(*c);
  if (!Empty(part)) AddDirty(c->dirty, part);
}

void SdlBackend::StartTimer(NativeControl* c, uint32_t period_ms) {
  c->timer_on = true;
  c->timer_period = std::max(period_ms, kTimerFloorMs);
  c->timer_due = SDL_GetTicks64() + c->timer_period;
}

void SdlBackend::StopTimer(NativeControl* c) {
  c->timer_on = false;
}

void SdlBackend::Invalidate(NativeControl* c, const Rect& area) {
  if (!c->visible) return;
  const Rect r = Intersect(area, VisiblePart(*c));
  if (!Empty(r)) AddDirty(c->dirty, r);
}

void SdlBackend::UpdateNow(NativeControl* c) {
  PaintWindow(c->parent, c);
}

int SdlBackend::RunMessageLoop() {
  if (!video_) {
    quit_ = false;
    return quit_code_;
  }
  SDL_Event e;
  while (!quit_) {
    // One pump per turn, and none after a wait that timed out: SDL_PollEvent
    // would read the connection again for every event it returns, and each
    // read is several system calls at a hundred turns a second.
    if (std::exchange(may_have_input_, true)) SDL_PumpEvents();
    while (!quit_ && SDL_PeepEvents(&e, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) == 1) {
      Dispatch(e);
    }
    if (quit_) break;
    FollowFrames();
    if (quit_) break;
    FireDueTimers();
    if (quit_) break;
    PaintAll();
    Wait(MsToNextTimer());
  }
  quit_ = false;
  return quit_code_;
}

void SdlBackend::PostQuit(int code) {
  quit_ = true;
  quit_code_ = code;
}

std::string SdlBackend::GbkToUtf8(std::string_view gbk) {
  return host::GbkToUtf8(gbk);
}

std::optional<LineBitmap> SdlBackend::RasteriseLine(std::string_view gbk, const FontSpec* font) {
  return host::RasteriseLine(gbk, font);
}

void SdlBackend::ShowFatalError(std::string_view utf8_message) {
  std::fprintf(stderr, "Corvelin: %.*s\n", static_cast<int>(utf8_message.size()),
               utf8_message.data());
  std::fflush(stderr);
}

NativeWindow* SdlBackend::FindWindow(uint32_t sdl_id) const {
  for (const auto& w : windows_) {
    if (w->id == sdl_id) return w.get();
  }
  return nullptr;
}

// Key events name the window with the keyboard focus, which can be none when
// keys are sent to the window directly; the only window takes them then.
NativeWindow* SdlBackend::KeyboardWindow(uint32_t sdl_id) const {
  if (NativeWindow* w = FindWindow(sdl_id)) return w;
  if (SDL_Window* focus = SDL_GetKeyboardFocus()) {
    if (NativeWindow* w = FindWindow(SDL_GetWindowID(focus))) return w;
  }
  return windows_.size() == 1 ? windows_.front().get() : nullptr;
}

bool SdlBackend::IsAlive(const NativeControl* c) const {
  for (const auto& w : windows_) {
    for (const auto& p : w->controls) {
      if (p.get() == c) return true;
    }
  }
  return false;
}

void SdlBackend::Dispatch(const SDL_Event& e) {
  switch (e.type) {
    case SDL_WINDOWEVENT:
      OnWindowEvent(e.window);
      break;
    case SDL_KEYDOWN: {
      const SDL_Scancode code = e.key.keysym.scancode;
      const bool alt_f4 = code == SDL_SCANCODE_F4 && (e.key.keysym.mod & KMOD_ALT) != 0;
      if (code != SDL_SCANCODE_ESCAPE && !alt_f4) break;
      NativeWindow* w = KeyboardWindow(e.key.windowID);
      if (w == nullptr) break;
      if (alt_f4) {
        w->sink->OnCloseRequest();
      } else {
        w->sink->OnEscape();
      }
      break;
    }
    case SDL_MOUSEBUTTONDOWN: {
      NativeWindow* w = FindWindow(e.button.windowID);
      if (w == nullptr) break;
      // The control drawn last is on top.
      for (auto it = w->controls.rbegin(); it != w->controls.rend(); ++it) {
        NativeControl& c = **it;
        if (!c.visible) continue;
        if (e.button.x < c.rect.x || e.button.y < c.rect.y ||
            e.button.x >= c.rect.x + c.rect.width || e.button.y >= c.rect.y + c.rect.height) {
          continue;
        }
        if (c.focus_on_click && !c.disabled) w->focus = &c;
        break;
      }
      break;
    }
    default:
      // SDL_QUIT included: when to end is the core's decision.
      break;
  }
}

void SdlBackend::OnWindowEvent(const SDL_WindowEvent& e) {
  NativeWindow* w = FindWindow(e.windowID);
  if (w == nullptr) return;
  switch (e.event) {
    case SDL_WINDOWEVENT_CLOSE:
      w->sink->OnCloseRequest();
      break;
    case SDL_WINDOWEVENT_EXPOSED:
      w->repaint_all = true;
      break;
    case SDL_WINDOWEVENT_MOVED:
    case SDL_WINDOWEVENT_SIZE_CHANGED:
    case SDL_WINDOWEVENT_RESIZED: {
      if (e.event != SDL_WINDOWEVENT_MOVED) w->repaint_all = true;
      // SDL's own idea of the geometry is up to date with every event queued so
      // far; our own changes are already in w->client, so their echoes compare
      // equal and only moves made from outside (the window manager) remain.
      const Rect now = QueryClient(w->sdl);
      const Rect before = w->client;
      w->client = now;
      const bool moved = now.x != before.x || now.y != before.y;
      const bool resized = now.width != before.width || now.height != before.height;
      const uint32_t id = w->id;
      WindowSink* sink = w->sink;
      if (moved) sink->OnMoved();
      if (resized && FindWindow(id) != nullptr) sink->OnResized();
      break;
    }
    default:
      break;
  }
}

void SdlBackend::FollowFrames() {
  // A window manager decorates a window only once it is mapped, so its frame
  // is known only after the program laid the window out (without a window
  // manager it stays empty). The program's outer rectangle stands; the client
  // area gives way. SDL keeps the frame it last heard of, so asking costs no
  // round trip.
  for (size_t i = 0; i < windows_.size() && !quit_; ++i) {
    NativeWindow* w = windows_[i].get();
    if (!w->shown || QueryFrame(w->sdl) == w->frame) continue;
    SetWindowRect(w, Outer(w->client, w->frame));
  }
}

void SdlBackend::FireDueTimers() {
  const uint64_t now = SDL_GetTicks64();
  std::vector<NativeControl*> due;
  for (const auto& w : windows_) {
    for (const auto& c : w->controls) {
      if (c->timer_on && c->timer_due <= now) due.push_back(c.get());
    }
  }
  for (NativeControl* c : due) {
    if (quit_ || !IsAlive(c) || !c->timer_on) continue;
    // One tick however late we are; the next one a period after the last
    // deadline, or a period from now when we fell behind.
    c->timer_due += c->timer_period;
    if (c->timer_due <= now) c->timer_due = now + c->timer_period;
    c->sink->OnTimer();
  }
}

void SdlBackend::Wait(int timeout_ms) {
  // Sleep on the display connection itself. SDL's own wait would wake itself
  // through a second connection with messages to our window, which races
  // with the window's destruction and ends the process with an X error.
  if (event_fd_ < 0 && !windows_.empty()) event_fd_ = EventFd(windows_.front()->sdl);
  if (event_fd_ >= 0) {
    // Timers and painting may have queued events (SDL's own, or X events
    // read while waiting for a reply); once both queues are empty, whatever
    // is new arrives on the socket.
    SDL_PumpEvents();
    if (SDL_HasEvents(SDL_FIRSTEVENT, SDL_LASTEVENT) == SDL_TRUE) return;
    pollfd p{event_fd_, POLLIN, 0};
    const int ready = poll(&p, 1, timeout_ms);
    if (ready < 0 && errno != EINTR) event_fd_ = -1;
    may_have_input_ = ready != 0;
    return;
  }
  SDL_Event e;
  if (SDL_WaitEventTimeout(&e, timeout_ms) == 1) Dispatch(e);
}

int SdlBackend::MsToNextTimer() const {
  uint64_t next = UINT64_MAX;
  for (const auto& w : windows_) {
    for (const auto& c : w->controls) {
      if (c->timer_on) next = std::min(next, c->timer_due);
    }
  }
  if (next == UINT64_MAX) return -1;
  const uint64_t now = SDL_GetTicks64();
  return next <= now ? 0 : static_cast<int>(std::min<uint64_t>(next - now, 1u << 30));
}

void SdlBackend::PaintAll() {
  for (size_t i = 0; i < windows_.size(); ++i) PaintWindow(windows_[i].get(), nullptr);
}

void SdlBackend::PaintWindow(NativeWindow* w, NativeControl* only) {
  if (!w->shown) return;
  if (!w->repaint_all) {
    bool any = false;
    for (const auto& c : w->controls) any = any || (c->visible && !c->dirty.empty());
    if (!any) return;
  }
  SDL_Surface* surface = SDL_GetWindowSurface(w->sdl);
  if (surface == nullptr) return;
  const Rect bounds{0, 0, surface->w, surface->h};

  const bool all = w->repaint_all;
  if (all) {
    w->repaint_all = false;
    Fill(surface, bounds, kButtonFace);
    for (const auto& c : w->controls) {
      c->dirty.clear();
      if (!c->visible) continue;
      const Rect part = VisiblePart(*c);
      if (!Empty(part)) c->dirty.push_back(part);
    }
  }

  std::vector<SDL_Rect> updated;
  for (const auto& cp : w->controls) {
    NativeControl* c = cp.get();
    if (!all && only != nullptr && c != only) continue;
    if (!c->visible) {
      c->dirty.clear();
      continue;
    }
    const std::vector<Rect> dirty = std::exchange(c->dirty, {});
    for (const Rect& area : dirty) {
      const PixelView view = c->sink->Paint(area);
      // Surface coordinates of the area, clipped to the surface.
      const Rect target =
          Intersect({c->rect.x + area.x, c->rect.y + area.y, area.width, area.height}, bounds);
      if (Empty(target)) continue;
      const Rect from{target.x - c->rect.x, target.y - c->rect.y, target.width, target.height};
      const Rect have =
          view.data == nullptr ? Rect{} : Intersect(from, {0, 0, view.width, view.height});
      if (have != from) Fill(surface, target, c->background);
      if (!Empty(have)) {
        Copy(surface, c->rect.x + have.x, c->rect.y + have.y,
             view.data + static_cast<ptrdiff_t>(have.y) * view.stride + have.x, have.width,
             have.height, view.stride);
      }
      updated.push_back({target.x, target.y, target.width, target.height});
    }
  }

  if (all) {
    SDL_UpdateWindowSurface(w->sdl);
  } else if (!updated.empty()) {
    SDL_UpdateWindowSurfaceRects(w->sdl, updated.data(), static_cast<int>(updated.size()));
  }
}

}  // namespace sdl

std::unique_ptr<Backend> CreateNativeBackend() {
  return std::make_unique<sdl::SdlBackend>();
}

}  // namespace corvelin::platform
