#include "runtime/cartoon_box.h"

#include <algorithm>
#include <bit>
#include <cmath>

#include "definition/kinds.h"
#include "runtime/trace.h"

namespace corvelin {

namespace ev = def::box_event;

namespace {

// The canvas asks its window timer for this period.
constexpr uint32_t kTimerPeriodMs = 5;
// Invalidated areas are painted at once when this much time has passed since
// the last forced repaint of any canvas.
constexpr uint32_t kForcedRepaintMs = 100;
// Degrees to radians as the canvas has always computed it. Not pi/180
// (0.017453292519943295): positions along a path depend on this exact factor.
constexpr double kDegToRad = 0.017453292519444445;

// One time for all canvases of the process.
struct SharedRepaintClock {
  bool valid = false;
  uint32_t last = 0;
};
SharedRepaintClock g_repaint_clock;

platform::Rect Intersect(const platform::Rect& a, const platform::Rect& b) {
  const int32_t x0 = std::max(a.x, b.x), y0 = std::max(a.y, b.y);
  const int64_t x1 = std::min<int64_t>(int64_t{a.x} + a.width, int64_t{b.x} + b.width);
  const int64_t y1 = std::min<int64_t>(int64_t{a.y} + a.height, int64_t{b.y} + b.height);
  if (x1 <= x0 || y1 <= y0) return {};
  return {x0, y0, static_cast<int32_t>(x1 - x0), static_cast<int32_t>(y1 - y0)};
}

bool Empty(const platform::Rect& r) {
  return r.width <= 0 || r.height <= 0;
}

// Copies the solid pixels of columns [x0, x1) of one sprite row to `dst`
// (indexed like `src`), a whole 64-pixel word at a time where the mask is
// all solid or all clear.
void DrawOpaqueRow(const Pixel* src, const uint64_t* mask, int32_t x0, int32_t x1, Pixel* dst) {
  int32_t x = x0;
  while (x < x1) {
    const int32_t word = x >> 6;
    const int32_t end = std::min(x1, (word + 1) << 6);
    uint64_t bits = mask[word] >> (x & 63);
    const int32_t n = end - x;
    if (n < 64) bits &= (uint64_t{1} << n) - 1;
    if (bits == 0) {
      x = end;
      continue;
    }
    if (n == 64 ? bits == ~uint64_t{0} : bits == (uint64_t{1} << n) - 1) {
      std::copy(src + x, src + end, dst + x);
      x = end;
      continue;
    }
    for (; x < end; ++x, bits >>= 1) {
      if (bits & 1u) dst[x] = src[x];
    }
  }
}

// alpha percent of what lies below shows through.
Pixel Blend(Pixel over, Pixel below, int32_t alpha) {
  Pixel mixed = 0xFF000000u;
  for (int shift = 0; shift <= 16; shift += 8) {
    const uint32_t ca = (over >> shift) & 0xFF, cb = (below >> shift) & 0xFF;
    const uint32_t c =
        (ca * static_cast<uint32_t>(100 - alpha) + cb * static_cast<uint32_t>(alpha)) / 100;
    mixed |= c << shift;
  }
  return mixed;
}

}  // namespace

int32_t TruncToInt32(double v) {
  if (std::isnan(v)) return 0;
  constexpr double kLimit = 9.2e18;
  const double clamped = std::clamp(v, -kLimit, kLimit);
  return static_cast<int32_t>(static_cast<int64_t>(clamped));
}

bool AnySolid(const BitMask& m, int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
  x0 = std::max(x0, 0);
  y0 = std::max(y0, 0);
  x1 = std::min(x1, m.width);
  y1 = std::min(y1, m.height);
  if (x0 >= x1 || y0 >= y1) return false;
  const int32_t w0 = x0 >> 6, w1 = (x1 - 1) >> 6;
  const uint64_t first = ~uint64_t{0} << (x0 & 63);
  const uint64_t last = ~uint64_t{0} >> (63 - ((x1 - 1) & 63));
  for (int32_t y = y0; y < y1; ++y) {
    const uint64_t* row = m.words.data() + static_cast<size_t>(y) * m.words_per_row;
    for (int32_t w = w0; w <= w1; ++w) {
      uint64_t bits = row[w];
      if (w == w0) bits &= first;
      if (w == w1) bits &= last;
      if (bits != 0) return true;
    }
  }
  return false;
}

struct CartoonBox::Sprite {
  int32_t id = 0;
  double x = 0, y = 0;
  bool visible = true;
  std::string tag;
  SpriteSettings s;
  bool alive = true;

  // Animation.
  size_t frame = 0;
  uint32_t frame_since = 0;
  int32_t plays = 0;
  std::optional<uint32_t> death;

  // Auto-advance.
  bool advancing = false;
  AdvanceArgs adv;
  uint32_t last_step = 0;
  uint32_t advance_start = 0;
  int64_t travelled = 0;
  size_t leg = 0;
  int64_t leg_travelled = 0;
  int32_t repeats_done = 0;
  int32_t last_collided = 0;

  int32_t ix() const { return TruncToInt32(x); }
  int32_t iy() const { return TruncToInt32(y); }
  int32_t width() const { return s.image ? s.image->width : 0; }
  int32_t height() const { return s.image ? s.image->height : 0; }
  const Frame* current() const { return s.image ? &s.image->frames[frame] : nullptr; }
  platform::Rect rect() const { return {ix(), iy(), width(), height()}; }
};

CartoonBox::CartoonBox(LiveWindow& window, LiveComponent& component)
    : window_(window), component_(component) {}

CartoonBox::~CartoonBox() = default;

void CartoonBox::Create() {
  const def::Value& back = component_.own[def::box_prop::kBackColor - def::kFirstOwnProperty];
  const uint32_t colour = static_cast<uint32_t>(back.integer);
  // 0xFF000000: the system's button-face colour.
  background_ = colour == kNoColour ? 0xFFF0F0F0u : ColourToPixel(colour);
  platform::ControlParams params;
  params.rect = {component_.left, component_.top, component_.width, component_.height};
  params.background = background_;
  params.tab_stop = component_.def->tab_stop;
  params.disabled = component_.disabled;
  params.focus_on_click = true;
  platform::Backend& backend = window_.env().backend();
  native_ = backend.CreateControl(window_.native(), params, this);
  if (native_ == nullptr) {
    window_.env().Fatal(window_.env().Describe(window_.number(), component_.def->number) +
                        " cannot be created by the system");
  }
  const platform::Rect r = backend.ControlRect(native_);
  ResizeBuffer(r.width, r.height);
  backend.StartTimer(native_, kTimerPeriodMs);
}

void CartoonBox::Show() {
  if (native_ != nullptr && !destroyed_) window_.env().backend().ShowControl(native_);
}

void CartoonBox::Destroy() {
  if (destroyed_) return;
  destroyed_ = true;
  if (native_ != nullptr && window_.alive()) window_.env().backend().StopTimer(native_);
  native_ = nullptr;  // destroyed by the system with its window
  for (auto& s : sprites_) s->alive = false;
  if (in_tick_) {
    for (auto& s : sprites_) graveyard_.push_back(std::move(s));
  }
  sprites_.clear();
}

void CartoonBox::OnProgramEnd() {
  Destroy();
}

void CartoonBox::OnProgramEnd_Component() {
  g_repaint_clock = {};
}

std::optional<platform::Rect> CartoonBox::NativeRect() {
  if (native_ == nullptr || destroyed_) return std::nullopt;
  return window_.env().backend().ControlRect(native_);
}

void CartoonBox::SetNativeRect(const platform::Rect& rect) {
  if (native_ == nullptr || destroyed_) return;
  platform::Backend& backend = window_.env().backend();
  backend.SetControlRect(native_, rect);
  const platform::Rect r = backend.ControlRect(native_);
  if (r.width != width_ || r.height != height_) {
    ResizeBuffer(r.width, r.height);
    Invalidate({0, 0, width_, height_});
  }
}

void CartoonBox::ResizeBuffer(int32_t width, int32_t height) {
  width_ = std::max(0, width);
  height_ = std::max(0, height);
  buffer_.assign(static_cast<size_t>(width_) * static_cast<size_t>(height_), background_);
}

bool CartoonBox::WindowAlive() const {
  return window_.alive() && !destroyed_;
}
bool CartoonBox::Alive(const Sprite& s) const {
  return WindowAlive() && s.alive;
}

EventResult CartoonBox::Raise(int32_t event, std::span<const int32_t> args) {
  return window_.env().RaiseEvent(window_.number(), component_.def->number, event, args);
}

CartoonBox::Sprite* CartoonBox::FindSprite(int32_t id) const {
  for (const auto& s : sprites_) {
    if (s->id == id) return s.get();
  }
  return nullptr;
}

std::optional<SpriteView> CartoonBox::Find(int32_t id) const {
  const Sprite* s = FindSprite(id);
  if (s == nullptr) return std::nullopt;
  SpriteView v;
  v.id = s->id;
  v.x = s->x;
  v.y = s->y;
  v.ix = s->ix();
  v.iy = s->iy();
  v.width = s->width();
  v.height = s->height();
  v.frame = s->frame;
  v.visible = s->visible;
  v.advancing = s->advancing;
  v.layer = s->s.layer;
  v.last_collided = s->last_collided;
  return v;
}

std::vector<int32_t> CartoonBox::StackingOrder() const {
  std::vector<int32_t> ids;
  ids.reserve(sprites_.size());
  for (const auto& s : sprites_) ids.push_back(s->id);
  return ids;
}

// ---------------------------------------------------------------------------
// Commands

int32_t CartoonBox::CreateSprite(CartoonObject& from, int32_t x, int32_t y, bool visible,
                                 std::string_view tag) {
  Environment& env = window_.env();
  const uint32_t now = env.backend().TickCount();
  auto sprite = std::make_unique<Sprite>();
  Sprite& s = *sprite;
  s.id = next_id_++;
  s.x = x;
  s.y = y;
  s.visible = visible;
  s.tag = std::string(tag);
  s.s = from.TakeOver();
  s.frame_since = now;
  if (s.s.exist_time > 0) s.death = now + static_cast<uint32_t>(s.s.exist_time);
  // Above every sprite whose layer is less than or equal to its own.
  size_t pos = 0;
  while (pos < sprites_.size() && sprites_[pos]->s.layer <= s.s.layer) ++pos;
  if (destroyed_) return s.id;  // the canvas is gone: an id, and nothing else
  sprites_.insert(sprites_.begin() + static_cast<ptrdiff_t>(pos), std::move(sprite));
  if (in_tick_ && pos <= walk_) ++walk_;
  InvalidateSprite(s);
  if (Trace* t = env.trace()) {
    t->Create(env.Elapsed(), s.id, env.backend().GbkToUtf8(from.name_gbk()), x, y);
  }
  return s.id;
}

void CartoonBox::Remove(Sprite& s) {
  auto it =
      std::find_if(sprites_.begin(), sprites_.end(), [&](const auto& p) { return p.get() == &s; });
  if (it == sprites_.end()) return;
  const size_t pos = static_cast<size_t>(it - sprites_.begin());
  s.alive = false;
  s.advancing = false;  // ends a running advance without 自动前进停止
  InvalidateSprite(s);
  std::unique_ptr<Sprite> owned = std::move(*it);
  sprites_.erase(it);
  if (in_tick_) {
    if (pos < walk_) {
      --walk_;
    } else if (pos == walk_) {
      current_removed_ = true;
    }
    graveyard_.push_back(std::move(owned));
  }
  Environment& env = window_.env();
  if (Trace* t = env.trace()) t->Destroy(env.Elapsed(), s.id);
}

void CartoonBox::DestroySprite(Sprite& s) {
  const int32_t id = s.id;
  const int32_t args[] = {id};
  Raise(ev::kWillDestroy, args);
  if (!WindowAlive()) return;
  // The handler may have destroyed it already.
  if (Sprite* again = FindSprite(id)) Remove(*again);
}

void CartoonBox::DestroySprite(int32_t id) {
  if (Sprite* s = FindSprite(id)) DestroySprite(*s);
}

void CartoonBox::AutoAdvance(int32_t id, const AdvanceArgs& args) {
  Sprite* s = FindSprite(id);
  if (args.step <= 0 || s == nullptr || !s->s.image) return;
  Environment& env = window_.env();
  s->advancing = true;
  s->adv = args;
  s->last_step = env.backend().TickCount();
  s->advance_start = s->last_step;
  s->travelled = 0;
  s->leg = 0;
  s->leg_travelled = 0;
  s->repeats_done = 0;
  s->last_collided = 0;
  if (Trace* t = env.trace()) t->Advance(env.Elapsed(), id, args.step, args.interval);
}

// ---------------------------------------------------------------------------
// The tick

void CartoonBox::Tick() {
  if (!WindowAlive() || in_tick_) return;
  in_tick_ = true;
  for (walk_ = 0; walk_ < sprites_.size();) {
    current_removed_ = false;
    Visit(*sprites_[walk_]);
    if (!WindowAlive()) break;
    if (!current_removed_) ++walk_;
  }
  in_tick_ = false;
  graveyard_.clear();
  if (!WindowAlive()) return;

  platform::Backend& backend = window_.env().backend();
  const uint32_t now = backend.TickCount();
  if (!g_repaint_clock.valid || now - g_repaint_clock.last > kForcedRepaintMs) {
    backend.UpdateNow(native_);
    g_repaint_clock = {true, now};
  }
}

void CartoonBox::Visit(Sprite& s) {
  const uint32_t now = window_.env().backend().TickCount();
  if (s.death && static_cast<int32_t>(now - *s.death) >= 0) {
    DestroySprite(s);
    return;
  }
  if (!s.visible) return;
  Animate(s, now);
  if (!Alive(s)) return;
  if (s.advancing && now - s.last_step >= static_cast<uint32_t>(std::max(0, s.adv.interval))) {
    Step(s, now);
    if (Alive(s) && s.advancing) s.last_step = now;
  }
}

void CartoonBox::Animate(Sprite& s, uint32_t now) {
  if (!s.s.play_gif || !s.s.image || s.s.image->frames.size() < 2) return;
  const auto& frames = s.s.image->frames;
  const bool last = s.frame + 1 == frames.size();
  uint32_t shown = frames[s.frame].display_ms;
  if (last) shown += static_cast<uint32_t>(s.s.gif_delay);  // the pause between two plays
  if (now - s.frame_since < shown) return;
  s.frame_since = now;
  if (last) {
    ++s.plays;
    if (s.s.gif_auto_destroy > 0 && s.plays >= s.s.gif_auto_destroy) {
      const int32_t args[] = {s.id};
      Raise(ev::kAnimationDone, args);
      if (!Alive(s)) return;
      DestroySprite(s);
      return;
    }
    s.frame = 0;
  } else {
    ++s.frame;
  }
  InvalidateSprite(s);
}

void CartoonBox::Step(Sprite& s, uint32_t now) {
  const bool on_path = !s.adv.path.empty();
  const int32_t angle = on_path ? s.adv.path[s.leg].angle : s.s.angle;
  int32_t deg = angle % 360;
  if (deg < 0) deg += 360;
  const long double rad = static_cast<long double>(deg) * static_cast<long double>(kDegToRad);
  const long double step = s.adv.step;
  const long double nx = static_cast<long double>(s.x) + step * std::sin(rad);
  const long double ny = static_cast<long double>(s.y) - step * std::cos(rad);
  const MoveOutcome moved = MoveForward(s, static_cast<double>(nx), static_cast<double>(ny));
  if (!Alive(s) || !s.advancing) return;

  s.travelled += s.adv.step;
  bool stop = moved.left;
  stop = stop || (s.adv.distance > 0 && s.travelled >= s.adv.distance);
  stop = stop ||
         (s.adv.duration > 0 && now - s.advance_start >= static_cast<uint32_t>(s.adv.duration));
  stop = stop || (s.adv.stop_on_collision && moved.collided);
  stop = stop || (s.adv.stop_at_edge && moved.edge);
  if (on_path && !stop) {
    s.leg_travelled += s.adv.step;
    if (s.leg_travelled >= s.adv.path[s.leg].distance) {
      s.leg_travelled = 0;
      if (++s.leg == s.adv.path.size()) {
        s.leg = 0;
        ++s.repeats_done;
        stop = s.adv.path_repeats > 0 && s.repeats_done >= s.adv.path_repeats;
      }
    }
  }
  if (stop) EndAdvance(s);
}

void CartoonBox::EndAdvance(Sprite& s) {
  const bool destroy = s.adv.destroy_when_stopped;
  s.advancing = false;
  s.last_collided = 0;
  const int32_t args[] = {s.id};
  Raise(ev::kAdvanceStopped, args);
  if (!Alive(s)) return;
  if (destroy) DestroySprite(s);
}

CartoonBox::MoveOutcome CartoonBox::MoveForward(Sprite& s, double nx, double ny) {
  MoveOutcome out;
  const int32_t ox = s.ix(), oy = s.iy();
  const int32_t ix = TruncToInt32(nx), iy = TruncToInt32(ny);
  if (ix == ox && iy == oy) {
    s.x = nx;
    s.y = ny;
    return out;
  }
  const int32_t id = s.id;
  const int32_t pos_args[] = {id, ix, iy};
  const EventResult changing = Raise(ev::kPositionChanging, pos_args);
  if (!Alive(s)) return out;
  if (changing.value && *changing.value == 0) return out;  // refused
  InvalidateSprite(s);
  s.x = nx;
  s.y = ny;
  InvalidateSprite(s);
  out.moved = true;
  Environment& env = window_.env();
  if (Trace* t = env.trace()) t->Move(env.Elapsed(), id, ix, iy);
  Raise(ev::kPositionChanged, pos_args);
  if (!Alive(s)) return out;

  const Frame* frame = s.current();
  if (frame == nullptr) return out;
  const platform::Rect r = s.rect();
  const bool inside = r.x >= 0 && r.y >= 0 && int64_t{r.x} + r.width <= width_ &&
                      int64_t{r.y} + r.height <= height_;
  if (!inside) {
    // Canvas rectangle in the sprite's mask coordinates.
    const int64_t cx0 = -int64_t{r.x}, cy0 = -int64_t{r.y};
    const auto clampi = [](int64_t v) {
      return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN / 2, INT32_MAX / 2));
    };
    const int32_t x0 = clampi(cx0), y0 = clampi(cy0);
    const int32_t x1 = clampi(cx0 + width_), y1 = clampi(cy0 + height_);
    const BitMask& m = frame->solid;
    if (!AnySolid(m, x0, y0, x1, y1)) {
      out.left = true;
      const int32_t args[] = {id};
      Raise(ev::kOutOfBounds, args);
      if (!Alive(s)) return out;
    } else {
      int32_t edges = 0;
      if (AnySolid(m, 0, 0, x0, m.height)) edges |= 1;
      if (AnySolid(m, 0, 0, m.width, y0)) edges |= 2;
      if (AnySolid(m, x1, 0, m.width, m.height)) edges |= 4;
      if (AnySolid(m, 0, y1, m.width, m.height)) edges |= 8;
      if (edges != 0) {
        out.edge = true;
        const int32_t args[] = {id, ox, oy, edges};
        Raise(ev::kHitEdge, args);
        if (!Alive(s)) return out;
      }
    }
  }

  if (!s.s.collide_allowed) return out;
  // From the top of the stacking order down to the first hit, within the
  // mover's layer; visibility does not matter.
  const Frame* mine = s.current();
  const int32_t mx = s.ix(), my = s.iy();
  Sprite* hit = nullptr;
  for (size_t i = sprites_.size(); i-- > 0;) {
    Sprite& o = *sprites_[i];
    if (o.s.layer < s.s.layer) break;
    if (&o == &s || !o.s.collide_allowed || o.s.layer != s.s.layer || o.s.type == s.s.type) {
      continue;
    }
    const Frame* theirs = o.current();
    if (theirs == nullptr) continue;
    if (MasksOverlap(mine->solid, mx, my, theirs->solid, o.ix(), o.iy())) {
      hit = &o;
      break;
    }
  }
  if (hit == nullptr) {
    s.last_collided = 0;
    return out;
  }
  if (hit->id == s.last_collided) return out;
  s.last_collided = hit->id;
  out.collided = true;
  const int32_t args[] = {id, ox, oy, hit->id};
  Raise(ev::kCollided, args);
  return out;
}

// ---------------------------------------------------------------------------
// Painting

void CartoonBox::Invalidate(platform::Rect r) {
  r = Intersect(r, {0, 0, width_, height_});
  if (Empty(r) || native_ == nullptr || destroyed_) return;
  window_.env().backend().Invalidate(native_, r);
}

void CartoonBox::InvalidateSprite(const Sprite& s) {
  if (s.s.image) Invalidate(s.rect());
}

void CartoonBox::Compose(const platform::Rect& requested) {
  const platform::Rect area = Intersect(requested, {0, 0, width_, height_});
  if (Empty(area)) return;
  for (int32_t y = area.y; y < area.y + area.height; ++y) {
    Pixel* row = buffer_.data() + static_cast<size_t>(y) * width_;
    std::fill(row + area.x, row + area.x + area.width, background_);
  }
  for (const auto& sp : sprites_) {
    const Sprite& s = *sp;
    const Frame* f = s.current();
    if (!s.visible || f == nullptr) continue;
    const platform::Rect sr = s.rect();
    const platform::Rect d = Intersect(area, sr);
    if (Empty(d)) continue;
    const int32_t alpha = s.s.alpha;
    for (int32_t y = d.y; y < d.y + d.height; ++y) {
      const int32_t fy = y - sr.y;
      const Pixel* src_row = f->pixels.data() + static_cast<size_t>(fy) * sr.width;
      const uint64_t* mask =
          f->solid.words.data() + static_cast<size_t>(fy) * f->solid.words_per_row;
      // Indexed by the frame's column, like src_row.
      Pixel* dst_row = buffer_.data() + static_cast<ptrdiff_t>(y) * width_ + sr.x;
      const int32_t fx0 = d.x - sr.x, fx1 = fx0 + d.width;
      if (alpha == 0) {
        DrawOpaqueRow(src_row, mask, fx0, fx1, dst_row);
        continue;
      }
      for (int32_t fx = fx0; fx < fx1; ++fx) {
        if (((mask[fx >> 6] >> (fx & 63)) & 1u) == 0) continue;
        dst_row[fx] = Blend(src_row[fx], dst_row[fx], alpha);
      }
    }
  }
}

platform::PixelView CartoonBox::Paint(const platform::Rect& area) {
  Compose(area);
  return {buffer_.data(), width_, height_, width_};
}

platform::PixelView CartoonBox::ComposeAll() {
  return Paint({0, 0, width_, height_});
}

// ---------------------------------------------------------------------------
// The commands as the program's code calls them.

int32_t CreateSprite(WindowNumber w, ControlNumber canvas, ControlNumber from, int32_t x, int32_t y,
                     bool visible, std::string_view tag) {
  Environment& env = *Environment::Current();
  CartoonBox& box = env.CanvasOrFatal(w, canvas);
  return box.CreateSprite(env.TemplateOrFatal(w, from), x, y, visible, tag);
}

void DestroySprite(WindowNumber w, ControlNumber canvas, int32_t id) {
  Environment::Current()->CanvasOrFatal(w, canvas).DestroySprite(id);
}

void AutoAdvance(WindowNumber w, ControlNumber canvas, int32_t id, int32_t step, int32_t interval,
                 int32_t distance, int32_t duration, bool stop_on_collision, bool stop_at_edge,
                 bool destroy_when_stopped, std::vector<PathLeg> path, int32_t path_repeats) {
  AdvanceArgs args;
  args.step = step;
  args.interval = interval;
  args.distance = distance;
  args.duration = duration;
  args.stop_on_collision = stop_on_collision;
  args.stop_at_edge = stop_at_edge;
  args.destroy_when_stopped = destroy_when_stopped;
  args.path = std::move(path);
  args.path_repeats = path_repeats;
  Environment::Current()->CanvasOrFatal(w, canvas).AutoAdvance(id, args);
}

}  // namespace corvelin
