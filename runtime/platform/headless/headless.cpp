#include "runtime/platform/headless/headless.h"

#include <algorithm>
#include <cstdio>
#include <limits>

#include "runtime/platform/host_text.h"

namespace corvelin::platform {

namespace {

constexpr uint32_t kButtonFace = 0xFFF0F0F0;

Rect Clip(const Rect& a, const Rect& b) {
  const int64_t x0 = std::max(a.x, b.x), y0 = std::max(a.y, b.y);
  const int64_t x1 = std::min<int64_t>(int64_t{a.x} + a.width, int64_t{b.x} + b.width);
  const int64_t y1 = std::min<int64_t>(int64_t{a.y} + a.height, int64_t{b.y} + b.height);
  if (x1 <= x0 || y1 <= y0) return {};
  return {static_cast<int32_t>(x0), static_cast<int32_t>(y0), static_cast<int32_t>(x1 - x0),
          static_cast<int32_t>(y1 - y0)};
}

bool Touches(const Rect& a, const Rect& b) {
  return a.x <= b.x + b.width && b.x <= a.x + a.width && a.y <= b.y + b.height &&
         b.y <= a.y + a.height;
}

Rect Union(const Rect& a, const Rect& b) {
  const int32_t x0 = std::min(a.x, b.x), y0 = std::min(a.y, b.y);
  const int32_t x1 = std::max(a.x + a.width, b.x + b.width);
  const int32_t y1 = std::max(a.y + a.height, b.y + b.height);
  return {x0, y0, x1 - x0, y1 - y0};
}

}  // namespace

struct NativeWindow {
  HeadlessBackend::WindowInfo info;
  WindowSink* sink = nullptr;
  bool alive = true;
  Size client;
  std::vector<uint32_t> screen;  // what the client area shows
};

struct NativeControl {
  NativeWindow* parent = nullptr;
  ControlSink* sink = nullptr;
  ControlParams params;
  Rect rect;
  bool visible = false;
  bool alive = true;
  uint32_t period = 0;  // 0: no timer
  uint32_t due = 0;
  std::vector<Rect> invalid;
};

HeadlessBackend::HeadlessBackend(HeadlessConfig config)
    : config_(config), now_(config.start_tick) {}

HeadlessBackend::~HeadlessBackend() = default;

// --- windows ---------------------------------------------------------------

static void ResizeScreen(NativeWindow& w, const Insets& frame) {
  w.client = {std::max(0, w.info.outer.width - frame.left - frame.right),
              std::max(0, w.info.outer.height - frame.top - frame.bottom)};
  w.screen.assign(static_cast<size_t>(w.client.width) * static_cast<size_t>(w.client.height),
                  kButtonFace);
}

NativeWindow* HeadlessBackend::CreateTopLevel(const WindowParams& params, WindowSink* sink) {
  auto w = std::make_unique<NativeWindow>();
  w->info.params = params;
  w->info.params.caption_gbk = {};  // the caller's storage is not ours to keep
  w->info.outer = params.outer;
  if (config_.max_width > 0) w->info.outer.width = std::min(w->info.outer.width, config_.max_width);
  w->sink = sink;
  ResizeScreen(*w, config_.frame);
  caption_.emplace(w.get(), std::string(params.caption_gbk));
  windows_.push_back(std::move(w));
  return windows_.back().get();
}

Rect HeadlessBackend::WindowRect(NativeWindow* w) {
  return w->info.outer;
}
Insets HeadlessBackend::WindowFrame(NativeWindow*) {
  return config_.frame;
}

void HeadlessBackend::SetWindowRect(NativeWindow* w, const Rect& outer) {
  if (!w->alive) return;
  Rect r = outer;
  if (config_.max_width > 0) r.width = std::min(r.width, config_.max_width);
  r.width = std::max(0, r.width);
  r.height = std::max(0, r.height);
  const Rect old = w->info.outer;
  w->info.outer = r;
  const bool moved = old.x != r.x || old.y != r.y;
  const bool resized = old.width != r.width || old.height != r.height;
  if (resized) {
    ResizeScreen(*w, config_.frame);
    for (auto& c : controls_) {
      if (c->alive && c->parent == w) Invalidate(c.get(), {0, 0, c->rect.width, c->rect.height});
    }
  }
  if (moved) w->sink->OnMoved();
  if (resized && w->alive) w->sink->OnResized();
}

void HeadlessBackend::ShowWindow(NativeWindow* w) {
  if (!w->alive) return;
  w->info.visible = true;
  ++w->info.show_count;
  for (auto& other : windows_) other->info.active = false;
  w->info.active = true;
  active_ = w;
  for (auto& c : controls_) {
    if (c->alive && c->parent == w) Invalidate(c.get(), {0, 0, c->rect.width, c->rect.height});
  }
}

void HeadlessBackend::RestoreAndActivate(NativeWindow* w) {
  if (!w->alive) return;
  for (auto& other : windows_) other->info.active = false;
  w->info.active = true;
  active_ = w;
}

void HeadlessBackend::DestroyWindow(NativeWindow* w) {
  if (!w->alive) return;
  w->alive = false;
  w->info.visible = false;
  w->info.active = false;
  if (active_ == w) active_ = nullptr;
  for (auto& c : controls_) {
    if (c->parent != w) continue;
    c->alive = false;
    c->period = 0;
    c->invalid.clear();
    if (focus_ == c.get()) focus_ = nullptr;
  }
  w->sink->OnDestroyed();
}

// --- controls --------------------------------------------------------------

NativeControl* HeadlessBackend::CreateControl(NativeWindow* parent, const ControlParams& params,
                                              ControlSink* sink) {
  auto c = std::make_unique<NativeControl>();
  c->parent = parent;
  c->sink = sink;
  c->params = params;
  c->rect = params.rect;
  controls_.push_back(std::move(c));
  return controls_.back().get();
}

Rect HeadlessBackend::ControlRect(NativeControl* c) {
  return c->rect;
}

void HeadlessBackend::SetControlRect(NativeControl* c, const Rect& rect) {
  if (!c->alive) return;
  c->rect = {rect.x, rect.y, std::max(0, rect.width), std::max(0, rect.height)};
  NativeWindow* w = c->parent;
  std::fill(w->screen.begin(), w->screen.end(), kButtonFace);
  for (auto& other : controls_) {
    if (other->alive && other->parent == w) {
      Invalidate(other.get(), {0, 0, other->rect.width, other->rect.height});
    }
  }
}

void HeadlessBackend::ShowControl(NativeControl* c) {
  if (!c->alive) return;
  c->visible = true;
  Invalidate(c, {0, 0, c->rect.width, c->rect.height});
}

void HeadlessBackend::StartTimer(NativeControl* c, uint32_t period_ms) {
  if (!c->alive) return;
  c->period = std::max({period_ms, config_.timer_floor_ms, uint32_t{1}});
  c->due = now_ + c->period;
}

void HeadlessBackend::StopTimer(NativeControl* c) {
  c->period = 0;
}

void HeadlessBackend::Invalidate(NativeControl* c, const Rect& area) {
  if (!c->alive) return;
  Rect r = Clip(area, {0, 0, c->rect.width, c->rect.height});
  if (r.width <= 0 || r.height <= 0) return;
  // Merge with whatever it touches, as a system's update region would.
  for (size_t i = 0; i < c->invalid.size();) {
    if (Touches(c->invalid[i], r)) {
      r = Union(r, c->invalid[i]);
      c->invalid.erase(c->invalid.begin() + static_cast<ptrdiff_t>(i));
      i = 0;
    } else {
      ++i;
    }
  }
  c->invalid.push_back(r);
}

void HeadlessBackend::UpdateNow(NativeControl* c) {
  PaintControl(c);
}

void HeadlessBackend::PaintControl(NativeControl* c) {
  if (!c->alive || !c->visible || !c->parent->info.visible) return;
  std::vector<Rect> areas;
  areas.swap(c->invalid);
  NativeWindow* w = c->parent;
  for (const Rect& area : areas) {
    const PixelView view = c->sink->Paint(area);
    if (!c->alive) return;
    // Onto the window's client area, clipped to it.
    const Rect on_client = Clip({c->rect.x + area.x, c->rect.y + area.y, area.width, area.height},
                                {0, 0, w->client.width, w->client.height});
    // The part that lies on both the client area and the control's pixels.
    const Rect copy = Clip(on_client, {c->rect.x, c->rect.y, view.width, view.height});
    for (int32_t y = copy.y; y < copy.y + copy.height; ++y) {
      const uint32_t* src =
          view.data + static_cast<size_t>(y - c->rect.y) * view.stride + (copy.x - c->rect.x);
      uint32_t* dst = w->screen.data() + static_cast<size_t>(y) * w->client.width + copy.x;
      std::transform(src, src + copy.width, dst, [](uint32_t p) { return p | 0xFF000000u; });
    }
    painted_pixels_ += static_cast<uint64_t>(on_client.width) * std::max(0, on_client.height);
  }
}

void HeadlessBackend::PaintPending() {
  for (size_t i = 0; i < controls_.size(); ++i) {
    if (!controls_[i]->invalid.empty()) PaintControl(controls_[i].get());
  }
}

// --- time and the message loop --------------------------------------------

void HeadlessBackend::At(uint32_t at, std::function<void()> action) {
  scheduled_.emplace(at, std::move(action));
}

void HeadlessBackend::SetObserver(std::function<void(uint32_t)> observer) {
  observer_ = std::move(observer);
}

bool HeadlessBackend::NextEvent(uint32_t limit, uint32_t* when) const {
  uint32_t best = std::numeric_limits<uint32_t>::max();
  bool any = false;
  for (const auto& c : controls_) {
    if (c->alive && c->period > 0 && c->due <= limit && c->due < best) {
      best = c->due;
      any = true;
    }
  }
  if (!scheduled_.empty() && scheduled_.begin()->first <= limit &&
      scheduled_.begin()->first <= best) {
    best = std::max(now_, scheduled_.begin()->first);
    any = true;
  }
  *when = best;
  return any;
}

void HeadlessBackend::FireDue() {
  while (!scheduled_.empty() && scheduled_.begin()->first <= now_) {
    auto action = std::move(scheduled_.begin()->second);
    scheduled_.erase(scheduled_.begin());
    action();
  }
  // Index loop: a timer handler may create controls.
  for (size_t i = 0; i < controls_.size(); ++i) {
    NativeControl* c = controls_[i].get();
    if (!c->alive || c->period == 0 || c->due > now_) continue;
    c->due = now_ + c->period;  // late ticks are not made up
    c->sink->OnTimer();
  }
}

// One batch of work at the current time: scheduled actions and due timers,
// then the paints they caused, as a system's message queue would order them.
void HeadlessBackend::RunBatch() {
  FireDue();
  PaintPending();
  if (observer_) observer_(now_);
}

void HeadlessBackend::Advance(uint32_t ms) {
  const uint32_t target = now_ + ms;
  uint32_t when = 0;
  while (NextEvent(target, &when)) {
    now_ = std::max(now_, when);
    RunBatch();
  }
  now_ = std::max(now_, target);
}

int HeadlessBackend::RunMessageLoop() {
  while (!quit_posted_) {
    uint32_t when = 0;
    if (!NextEvent(std::numeric_limits<uint32_t>::max(), &when)) {
      stalled_ = true;  // nothing can ever happen again
      break;
    }
    now_ = std::max(now_, when);
    RunBatch();
  }
  quit_posted_ = false;
  return quit_code_;
}

void HeadlessBackend::PostQuit(int code) {
  quit_posted_ = true;
  quit_code_ = code;
}

// --- input -----------------------------------------------------------------

void HeadlessBackend::PressEscape() {
  NativeWindow* w = focus_ != nullptr ? focus_->parent : active_;
  if (w != nullptr && w->alive) w->sink->OnEscape();
}

void HeadlessBackend::AltF4() {
  if (active_ != nullptr && active_->alive) active_->sink->OnCloseRequest();
}

void HeadlessBackend::RequestClose(NativeWindow* w) {
  if (w != nullptr && w->alive) w->sink->OnCloseRequest();
}

void HeadlessBackend::ClickControl(NativeControl* c) {
  if (c->alive && c->params.focus_on_click && !c->params.disabled) focus_ = c;
}

// --- looking ---------------------------------------------------------------

std::vector<NativeWindow*> HeadlessBackend::Windows() const {
  std::vector<NativeWindow*> out;
  for (const auto& w : windows_) {
    if (w->alive) out.push_back(w.get());
  }
  return out;
}

const HeadlessBackend::WindowInfo* HeadlessBackend::Info(NativeWindow* w) const {
  return w != nullptr ? &w->info : nullptr;
}

NativeWindow* HeadlessBackend::FindWindowByCaption(std::string_view gbk) const {
  for (const auto& w : windows_) {
    auto it = caption_.find(w.get());
    if (w->alive && it != caption_.end() && it->second == gbk) return w.get();
  }
  return nullptr;
}

std::vector<NativeControl*> HeadlessBackend::Controls(NativeWindow* w) const {
  std::vector<NativeControl*> out;
  for (const auto& c : controls_) {
    if (c->alive && c->parent == w) out.push_back(c.get());
  }
  return out;
}

bool HeadlessBackend::ControlVisible(NativeControl* c) const {
  return c->alive && c->visible;
}

std::vector<uint32_t> HeadlessBackend::ClientPixels(NativeWindow* w, Size* size) {
  for (auto& c : controls_) {
    if (c->parent == w && !c->invalid.empty()) PaintControl(c.get());
  }
  if (size != nullptr) *size = w->client;
  return w->screen;
}

// --- text and errors -------------------------------------------------------

std::string HeadlessBackend::GbkToUtf8(std::string_view gbk) {
  return host::GbkToUtf8(gbk);
}

std::optional<LineBitmap> HeadlessBackend::RasteriseLine(std::string_view gbk,
                                                         const FontSpec* font) {
  return host::RasteriseLine(gbk, font);
}

void HeadlessBackend::ShowFatalError(std::string_view message) {
  std::fprintf(stderr, "%.*s\n", static_cast<int>(message.size()), message.data());
}

}  // namespace corvelin::platform
