// The animation canvas on small synthetic sprites: ids and stacking, the
// step arithmetic, the order of checks and their events, stop conditions,
// collisions, re-entrant handlers and drawing.
#include <gtest/gtest.h>

#include <cmath>

#include "definition/kinds.h"
#include "runtime/cartoon_box.h"
#include "runtime/environment.h"
#include "runtime/platform/headless/headless.h"
#include "tests/support/fixtures.h"

namespace corvelin {
namespace {

using testing::DefinitionBuilder;
using testing::Recorder;
using testing::TemplateSpec;
namespace ev = def::box_event;

constexpr WindowNumber kWin = DefinitionBuilder::kWindow;
constexpr ControlNumber kBox = 0x16010002;
constexpr ControlNumber kT1 = 0x16010003, kT2 = 0x16010004, kT3 = 0x16010005;

// A 200 x 100 canvas with every event bound to a recording handler, and up to
// three templates.
struct Canvas {
  explicit Canvas(std::vector<TemplateSpec> specs) {
    std::vector<std::pair<int32_t, std::string>> bindings;
    for (int32_t e = 0; e <= 17; ++e) bindings.push_back({e, "e" + std::to_string(e)});
    builder.Canvas(kBox, 200, 100, bindings);
    const ControlNumber numbers[] = {kT1, kT2, kT3};
    for (size_t i = 0; i < specs.size(); ++i) builder.Template(numbers[i], specs[i]);
    std::vector<HandlerEntry> handlers;
    for (int32_t e = 0; e <= 17; ++e) {
      handlers.push_back(
          rec.Handler("e" + std::to_string(e), [this, e]() -> std::optional<int32_t> {
            if (reply && e == reply_event) return reply();
            return std::nullopt;
          }));
    }
    env = std::make_unique<Environment>(backend, builder.Set(), std::move(handlers));
    env->MakeCurrent();
    env->LoadWindow(kWin);
    rec.seen.clear();
  }
  CartoonBox& box() { return env->CanvasOrFatal(kWin, kBox); }
  int32_t Create(ControlNumber t, int32_t x, int32_t y, bool visible = true) {
    return box().CreateSprite(env->TemplateOrFatal(kWin, t), x, y, visible);
  }
  void Advance(int32_t id, AdvanceArgs args) { box().AutoAdvance(id, args); }
  void Tick() { backend.Advance(10); }
  // Events seen, as "e<index>" followed by the arguments.
  std::vector<testing::Seen> Events(int32_t index) const {
    std::vector<testing::Seen> out;
    for (const auto& s : rec.seen) {
      if (s.handler == "e" + std::to_string(index)) out.push_back(s);
    }
    return out;
  }

  platform::HeadlessBackend backend;
  DefinitionBuilder builder;
  Recorder rec;
  int32_t reply_event = -1;
  std::function<std::optional<int32_t>()> reply;
  std::unique_ptr<Environment> env;
};

TemplateSpec Square(int size, int32_t angle = 0, int32_t type = 0) {
  return {.picture = testing::SolidGif(size, size), .angle = angle, .type = type};
}

AdvanceArgs Step(int32_t step, AdvanceArgs more = {}) {
  more.step = step;
  more.interval = 2;
  return more;
}

TEST(CanvasSprites, IdsAreNeverReusedAndLayersDecideTheStackingOrder) {
  TemplateSpec low = Square(4), high = Square(4), mid = Square(4);
  high.layer = 2;
  mid.layer = 1;
  Canvas c({low, high, mid});
  EXPECT_EQ(c.Create(kT1, 0, 0), 1);
  EXPECT_EQ(c.Create(kT2, 0, 0), 2);
  EXPECT_EQ(c.Create(kT3, 0, 0), 3);
  EXPECT_EQ(c.Create(kT1, 0, 0), 4);  // after every sprite of a layer <= 0
  EXPECT_EQ(c.box().StackingOrder(), (std::vector<int32_t>{1, 4, 3, 2}));
  c.box().DestroySprite(4);
  c.box().DestroySprite(99);  // unknown ids are ignored
  EXPECT_EQ(c.Events(ev::kWillDestroy), (std::vector<testing::Seen>{{"e10", {4}}}));
  EXPECT_EQ(c.Create(kT1, 0, 0), 5);
  EXPECT_EQ(c.box().StackingOrder(), (std::vector<int32_t>{1, 5, 3, 2}));
}

TEST(CanvasSprites, LifetimesAndAnimationCountsEndSprites) {
  // Two frames of 30 ms each: one play lasts 60 ms.
  testing::GifSpec two;
  two.width = two.height = 4;
  for (uint8_t index : {0, 1}) {
    testing::GifFrameSpec f = testing::Fill(0, 0, 4, 4, index);
    f.delay = 3;
    two.frames.push_back(f);
  }
  const std::vector<uint8_t> bytes = testing::MakeGif(two);
  TemplateSpec plays{
      .picture = std::string(bytes.begin(), bytes.end()), .play_gif = true, .gif_auto_destroy = 2};
  TemplateSpec mortal = Square(4);
  mortal.exist_time = 45;
  Canvas c({plays, mortal});
  const int32_t animated = c.Create(kT1, 0, 0);
  const int32_t short_lived = c.Create(kT2, 10, 10);
  for (int i = 0; i < 4; ++i) c.Tick();  // 40 ms
  EXPECT_TRUE(c.box().Find(short_lived).has_value());
  EXPECT_EQ(c.box().Find(animated)->frame, 1u);
  c.Tick();  // 50 ms: the lifetime has run out
  EXPECT_FALSE(c.box().Find(short_lived).has_value());
  for (int i = 0; i < 7; ++i) c.Tick();  // 120 ms: the second play is over
  EXPECT_FALSE(c.box().Find(animated).has_value());
  EXPECT_EQ(c.Events(ev::kAnimationDone), (std::vector<testing::Seen>{{"e16", {animated}}}));
  EXPECT_EQ(c.Events(ev::kWillDestroy),
            (std::vector<testing::Seen>{{"e10", {short_lived}}, {"e10", {animated}}}));
}

TEST(CanvasStep, UsesTheCanvasAngleFactorInExtendedPrecision) {
  Canvas c({Square(10, 270)});
  const int32_t id = c.Create(kT1, 100, 50);
  c.Advance(id, Step(2));
  c.Tick();
  const SpriteView v = *c.box().Find(id);
  EXPECT_EQ(v.x, 98.0);  // exactly 2 to the left
  // 270 x 0.017453292519444445 falls short of 3 pi / 2, so every step also
  // drifts down by about 2.69e-10; with pi / 180 it would not.
  EXPECT_NEAR(v.y - 50.0, 2.6938e-10, 1e-13);
  EXPECT_EQ(v.iy, 50);
}

TEST(CanvasStep, AngleDecidesTheDirectionAndNegativeAnglesWrap) {
  struct Case {
    int32_t angle;
    int32_t dx, dy;
  };
  // 90 x the canvas's factor falls just short of a right angle, so a step to
  // the right also rises by ~1.3e-10 and truncation drops y by a pixel.
  for (const Case& k : {Case{0, 0, -3}, Case{90, 3, -1}, Case{180, 0, 3}, Case{270, -3, 0},
                        Case{-90, -3, 0}, Case{450, 3, -1}}) {
    Canvas c({Square(4, k.angle)});
    const int32_t id = c.Create(kT1, 50, 50);
    c.Advance(id, Step(3));
    c.Tick();
    const SpriteView v = *c.box().Find(id);
    EXPECT_EQ(v.ix - 50, k.dx) << k.angle;
    EXPECT_EQ(v.iy - 50, k.dy) << k.angle;
  }
}

TEST(CanvasMove, ARefusedMoveLeavesTheSpriteAndRaisesNothingElse) {
  Canvas c({Square(10, 90)});
  c.reply_event = ev::kPositionChanging;
  c.reply = [] { return 0; };
  const int32_t id = c.Create(kT1, 10, 10);
  c.Advance(id, Step(2));
  c.Tick();
  EXPECT_EQ(c.box().Find(id)->ix, 10);
  EXPECT_EQ(c.rec.Names(), std::vector<std::string>{"e8"});
  EXPECT_EQ(c.Events(ev::kPositionChanging)[0].args, (std::vector<int32_t>{id, 12, 9}));
}

TEST(CanvasMove, CrossingAnEdgeReportsItsBitAndTheOldPosition) {
  struct Case {
    int32_t angle, x, y, bits;
  };
  // The canvas is 200 x 100; sprites are 10 x 10.
  for (const Case& k :
       {Case{270, 1, 40, 1}, Case{0, 40, 1, 2}, Case{90, 189, 40, 4}, Case{180, 40, 89, 8}}) {
    Canvas c({Square(10, k.angle)});
    const int32_t id = c.Create(kT1, k.x, k.y);
    c.Advance(id, Step(2));
    c.Tick();
    const auto hits = c.Events(ev::kHitEdge);
    ASSERT_EQ(hits.size(), 1u) << k.angle;
    EXPECT_EQ(hits[0].args, (std::vector<int32_t>{id, k.x, k.y, k.bits}));
    EXPECT_TRUE(c.Events(ev::kOutOfBounds).empty());
  }
}

TEST(CanvasAdvance, EachStopConditionEndsTheAdvance) {
  struct Case {
    const char* name;
    AdvanceArgs args;
    int32_t x;
    int ticks;
    bool stopped;
    bool destroyed;
  };
  const Case cases[] = {
      {"distance", Step(2, {.distance = 6}), 100, 3, true, false},
      {"not yet", Step(2, {.distance = 8}), 100, 3, false, false},
      {"duration", Step(2, {.duration = 30}), 100, 3, true, false},
      {"edge", Step(2, {.stop_at_edge = true}), 3, 2, true, false},
      {"leaving the canvas", Step(4), 6, 4, true, false},
      {"destroy when stopped", Step(2, {.distance = 2, .destroy_when_stopped = true}), 100, 1, true,
       true},
  };
  for (const Case& k : cases) {
    Canvas c({Square(10, 270)});
    const int32_t id = c.Create(kT1, k.x, 40);
    c.Advance(id, k.args);
    for (int i = 0; i < k.ticks; ++i) c.Tick();
    const auto stops = c.Events(ev::kAdvanceStopped);
    EXPECT_EQ(stops.size(), k.stopped ? 1u : 0u) << k.name;
    EXPECT_EQ(c.box().Find(id).has_value(), !k.destroyed) << k.name;
    if (!k.destroyed) {
      EXPECT_EQ(c.box().Find(id)->advancing, !k.stopped) << k.name;
    }
  }
}

TEST(CanvasAdvance, LeavingTheCanvasRaisesOutOfBoundsThenStopped) {
  Canvas c({Square(10, 270)});
  const int32_t id = c.Create(kT1, 6, 40);
  c.Advance(id, Step(4));
  for (int i = 0; i < 5; ++i) c.Tick();
  // 6 -> 2 -> -2 (edge) -> -6 (edge) -> -10: gone.
  EXPECT_EQ(c.box().Find(id)->ix, -10);
  EXPECT_EQ(c.Events(ev::kHitEdge).size(), 2u);
  std::vector<std::string> last;
  for (const auto& s : c.rec.seen) {
    if (s.handler == "e13" || s.handler == "e14") last.push_back(s.handler);
  }
  EXPECT_EQ(last, (std::vector<std::string>{"e13", "e14"}));
}

TEST(CanvasAdvance, DoesNothingForBadArguments) {
  TemplateSpec none;  // no picture, no text: no image
  Canvas c({Square(4), none});
  const int32_t id = c.Create(kT1, 50, 50);
  const int32_t blank = c.Create(kT2, 50, 50);
  c.Advance(id, Step(0));
  c.Advance(id, Step(-2));
  c.Advance(blank, Step(2));
  c.Advance(77, Step(2));
  EXPECT_FALSE(c.box().Find(id)->advancing);
  EXPECT_FALSE(c.box().Find(blank)->advancing);
}

TEST(CanvasCollision, OnlyBetweenCollidingSpritesOfOneLayerAndDifferentTypes) {
  struct Case {
    const char* name;
    TemplateSpec other;
    bool visible;
    bool collides;
  };
  TemplateSpec same_type = Square(20, 0, 1);
  TemplateSpec other_layer = Square(20);
  other_layer.layer = 1;
  TemplateSpec not_allowed = Square(20);
  not_allowed.collide = false;
  const Case cases[] = {
      {"different type", Square(20), true, true},
      {"hidden but there", Square(20), false, true},
      {"same type", same_type, true, false},
      {"other layer", other_layer, true, false},
      {"collisions not allowed", not_allowed, true, false},
  };
  for (const Case& k : cases) {
    Canvas c({Square(10, 270, 1), k.other});
    const int32_t target = c.Create(kT2, 40, 40, k.visible);
    const int32_t mover = c.Create(kT1, 62, 45);
    c.Advance(mover, Step(2));
    for (int i = 0; i < 5; ++i) c.Tick();
    const auto hits = c.Events(ev::kCollided);
    // The mover touches the target at x 58 (its step from 60), once.
    if (k.collides) {
      ASSERT_EQ(hits.size(), 1u) << k.name;
      EXPECT_EQ(hits[0].args, (std::vector<int32_t>{mover, 60, 45, target})) << k.name;
    } else {
      EXPECT_TRUE(hits.empty()) << k.name;
    }
  }
}

TEST(CanvasCollision, TransparentPixelsDoNotTouch) {
  // The target is a ring: its middle is its transparent colour.
  TemplateSpec ring{.picture = testing::MakeGif(30, 30, [](int x, int y) {
                      return (x >= 5 && x < 25 && y >= 5 && y < 25) ? 0 : 1;
                    })};
  ring.transparent = 0x00FFFFFF;  // white
  TemplateSpec dot = Square(4, 0, 1);
  Canvas c({dot, ring});
  c.Create(kT2, 0, 0);
  const int32_t mover = c.Create(kT1, 13, 13);  // inside the hole
  c.Advance(mover, Step(2));
  c.Tick();
  c.Tick();
  EXPECT_TRUE(c.Events(ev::kCollided).empty());
  for (int i = 0; i < 4; ++i) c.Tick();  // up into the ring's top band
  EXPECT_EQ(c.Events(ev::kCollided).size(), 1u);
}

TEST(CanvasReentrancy, AHandlerMayDestroyTheSteppingSpriteAndCreateAnother) {
  Canvas c({Square(10, 270, 1), Square(20)});
  c.Create(kT2, 0, 40);
  const int32_t first = c.Create(kT1, 24, 45);
  const int32_t above = c.Create(kT1, 150, 10);  // steps later in the same tick
  c.Advance(first, Step(2));
  c.Advance(above, Step(2));
  int32_t made = 0;
  c.reply_event = ev::kCollided;
  c.reply = [&]() -> std::optional<int32_t> {
    c.box().DestroySprite(first);
    made = c.Create(kT1, 100, 45);
    c.Advance(made, Step(2));
    return std::nullopt;
  };
  for (int i = 0; i < 3; ++i) c.Tick();
  EXPECT_FALSE(c.box().Find(first).has_value());
  ASSERT_NE(made, 0);
  EXPECT_EQ(c.box().Find(above)->ix, 144);  // never skipped: three steps
  EXPECT_EQ(c.box().StackingOrder(), (std::vector<int32_t>{1, above, made}));
}

TEST(CanvasReentrancy, AHandlerMayCloseTheWindowInTheMiddleOfATick) {
  Canvas c({Square(10, 270)});
  const int32_t id = c.Create(kT1, 100, 40);
  c.Create(kT1, 120, 40);
  c.box().AutoAdvance(id, Step(2));
  c.reply_event = ev::kPositionChanging;
  c.reply = [&]() -> std::optional<int32_t> {
    c.backend.RequestClose(c.backend.Windows().at(0));
    return std::nullopt;
  };
  c.Tick();
  EXPECT_TRUE(c.backend.Windows().empty());
  c.Tick();  // the timer is gone with the window
}

TEST(CanvasDrawing, TransparentAndUnpaintedPixelsShowWhatLiesBelow) {
  // Red square below; above it a sprite with a transparent white middle and
  // a translucent one.
  TemplateSpec red{.picture = testing::SolidGif(20, 20, 2)};
  TemplateSpec frame{.picture = testing::MakeGif(20, 20, [](int x, int y) {
                       return (x >= 5 && x < 15 && y >= 5 && y < 15) ? 0 : 1;
                     })};
  frame.auto_trans = false;
  frame.transparent = 0x00FFFFFF;
  TemplateSpec half{.picture = testing::SolidGif(20, 20, 1), .alpha = 50};
  Canvas c({red, frame, half});
  c.Create(kT1, 0, 0);
  c.Create(kT2, 0, 0);
  c.Create(kT1, 40, 0);
  c.Create(kT3, 50, 0);  // half over the red one, half over the background
  const platform::PixelView v = c.box().ComposeAll();
  const auto at = [&](int x, int y) { return v.data[y * v.stride + x] & 0xFFFFFFu; };
  EXPECT_EQ(at(10, 10), 0xFF0000u);  // red through the hole
  EXPECT_EQ(at(2, 2), 0x000000u);    // black frame replaces the red
  EXPECT_EQ(at(30, 30), 0xFFFFFFu);  // the white background
  EXPECT_EQ(at(45, 5), 0xFF0000u);
  EXPECT_EQ(at(55, 5), 0x7F0000u);  // black at 50 % over red
  EXPECT_EQ(at(65, 5), 0x7F7F7Fu);  // and over white
}

TEST(CanvasPainting, ATickRecomposesOnlyWhatChanged) {
  Canvas c({Square(10, 270)});
  const int32_t id = c.Create(kT1, 150, 40);
  c.Advance(id, Step(2));
  c.Tick();
  c.Tick();
  const uint64_t before = c.backend.painted_pixels();
  c.Tick();
  const uint64_t painted = c.backend.painted_pixels() - before;
  EXPECT_GT(painted, 0u);
  EXPECT_LE(painted, 12u * 10u);  // old and new place of a 10 x 10 sprite, merged
}

}  // namespace
}  // namespace corvelin
