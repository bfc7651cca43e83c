// The animation canvas (动画框): a control that holds sprites made from sprite
// templates, animates their pictures, moves them forward on its own window
// timer, tests collisions between their solid pixels and raises its events
// synchronously to the bound handlers.
//
// Re-entrancy: every event the canvas raises may run a handler that creates
// or destroys sprites, or closes the window. After each event the canvas
// checks that its window and the sprite concerned still exist; a destroyed
// sprite is never touched again and the walk of a tick goes on with the
// sprite that now follows it.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/cartoon_object.h"
#include "runtime/environment.h"
#include "runtime/platform/platform.h"

namespace corvelin {

// One leg of an auto-advance path: travel `distance` pixels along `angle`.
struct PathLeg {
  int32_t angle = 0;
  int32_t distance = 0;
};

// The arguments of 自动前进 after the sprite id.
struct AdvanceArgs {
  int32_t step = 0;      // pixels per step; <= 0 does nothing
  int32_t interval = 0;  // least milliseconds between two steps
  int32_t distance = 0;  // stop after this many pixels; 0 = no limit
  int32_t duration = 0;  // stop after this many milliseconds; 0 = no limit
  bool stop_on_collision = false;
  bool stop_at_edge = false;
  bool destroy_when_stopped = false;
  std::vector<PathLeg> path;  // empty: straight along the sprite's angle
  int32_t path_repeats = 1;   // 0 = for ever
};

// A read-only view of one sprite, for tests and tools.
struct SpriteView {
  int32_t id = 0;
  double x = 0, y = 0;
  int32_t ix = 0, iy = 0;  // integer position, truncated toward zero
  int32_t width = 0, height = 0;
  size_t frame = 0;
  bool visible = true;
  bool advancing = false;
  int32_t layer = 0;
  int32_t last_collided = 0;
};

class CartoonBox final : public Control, public platform::ControlSink {
 public:
  CartoonBox(LiveWindow& window, LiveComponent& component);
  ~CartoonBox() override;

  // Control
  void Create() override;
  void Show() override;
  void Destroy() override;
  std::optional<platform::Rect> NativeRect() override;
  void SetNativeRect(const platform::Rect& rect) override;
  void OnProgramEnd() override;

  // platform::ControlSink
  void OnTimer() override { Tick(); }
  platform::PixelView Paint(const platform::Rect& area) override;

  // --- commands ---
  int32_t CreateSprite(CartoonObject& from, int32_t x, int32_t y, bool visible = true,
                       std::string_view tag = {});
  void DestroySprite(int32_t id);
  void AutoAdvance(int32_t id, const AdvanceArgs& args);

  // One timer tick: walks the sprites bottom first.
  void Tick();

  // --- inspection ---
  std::optional<SpriteView> Find(int32_t id) const;
  std::vector<int32_t> StackingOrder() const;
  size_t sprite_count() const { return sprites_.size(); }
  platform::Size size() const { return {width_, height_}; }
  // Composes the whole canvas and returns it (tests, pictures).
  platform::PixelView ComposeAll();

  // Everything a canvas shares with the other canvases of the process ends.
  static void OnProgramEnd_Component();

 private:
  struct Sprite;
  struct MoveOutcome {
    bool moved = false;
    bool left = false;
    bool edge = false;
    bool collided = false;
  };

  bool Alive(const Sprite& s) const;
  bool WindowAlive() const;
  EventResult Raise(int32_t event, std::span<const int32_t> args);
  Sprite* FindSprite(int32_t id) const;
  void Remove(Sprite& s);
  void DestroySprite(Sprite& s);
  void Visit(Sprite& s);
  void Animate(Sprite& s, uint32_t now);
  void Step(Sprite& s, uint32_t now);
  MoveOutcome MoveForward(Sprite& s, double nx, double ny);
  void EndAdvance(Sprite& s);
  void InvalidateSprite(const Sprite& s);
  void Invalidate(platform::Rect r);
  void Compose(const platform::Rect& area);
  void ResizeBuffer(int32_t width, int32_t height);

  LiveWindow& window_;
  LiveComponent& component_;
  platform::NativeControl* native_ = nullptr;
  bool destroyed_ = false;
  Pixel background_ = kOpaqueWhite;
  int32_t width_ = 0, height_ = 0;
  std::vector<Pixel> buffer_;  // the composed canvas, width_ * height_
  int32_t next_id_ = 1;
  std::vector<std::unique_ptr<Sprite>> sprites_;  // stacking order, bottom first
  // Sprites destroyed during a tick, freed when the tick ends.
  std::vector<std::unique_ptr<Sprite>> graveyard_;
  bool in_tick_ = false;
  size_t walk_ = 0;
  bool current_removed_ = false;
};

// --- the canvas commands as the program's code calls them ---
int32_t CreateSprite(WindowNumber w, ControlNumber canvas, ControlNumber from, int32_t x, int32_t y,
                     bool visible = true, std::string_view tag = {});
void DestroySprite(WindowNumber w, ControlNumber canvas, int32_t id);
void AutoAdvance(WindowNumber w, ControlNumber canvas, int32_t id, int32_t step, int32_t interval,
                 int32_t distance = 0, int32_t duration = 0, bool stop_on_collision = false,
                 bool stop_at_edge = false, bool destroy_when_stopped = false,
                 std::vector<PathLeg> path = {}, int32_t path_repeats = 1);

// Truncates toward zero into 64 bits and keeps the low 32 bits; NaN gives 0
// and values beyond the 64-bit range saturate first.
int32_t TruncToInt32(double v);

// Whether any bit of `mask` is set in the half-open rectangle [x0, x1) x
// [y0, y1) of mask coordinates (clipped to the mask).
bool AnySolid(const BitMask& mask, int32_t x0, int32_t y0, int32_t x1, int32_t y1);

}  // namespace corvelin
