// The run time's operations on the headless backend: building a window,
// property reads and writes, event delivery, closing and the end processing.
#include <gtest/gtest.h>

#include "definition/kinds.h"
#include "runtime/environment.h"
#include "runtime/platform/headless/headless.h"
#include "tests/support/fixtures.h"

namespace corvelin {
namespace {

using testing::DefinitionBuilder;
using testing::Recorder;
namespace we = def::window_event;

constexpr WindowNumber kWin = DefinitionBuilder::kWindow;
constexpr ControlNumber kSelf = DefinitionBuilder::kSelf;
constexpr ControlNumber kBox = 0x16010002;

#ifdef _WIN32
constexpr int kFatalExit = -1;
#else
constexpr int kFatalExit = 255;  // -1 as the process's exit status
#endif

int g_end_runs = 0;
void CountingEnd() {
  ++g_end_runs;
}
void ExitingEnd() {
  std::_Exit(3);
}

struct Fixture {
  explicit Fixture(platform::HeadlessConfig config = {}) : backend(config) {
    builder.BindWindow(we::kCreated, "created")
        .BindWindow(we::kMoved, "moved")
        .BindWindow(we::kResized, "resized")
        .BindWindow(we::kQueryClose, "query12")
        .BindWindow(we::kCloseQuery, "query1")
        .BindWindow(we::kDestroyed, "destroyed")
        .Canvas(kBox, 496, 400);
  }
  Environment& Make(std::vector<HandlerEntry> extra = {}) {
    std::vector<HandlerEntry> handlers = {rec.Handler("created"), rec.Handler("moved"),
                                          rec.Handler("resized"), rec.Handler("query12"),
                                          rec.Handler("query1"),  rec.Handler("destroyed")};
    for (auto& h : extra) handlers.push_back(std::move(h));
    env = std::make_unique<Environment>(backend, builder.Set(), std::move(handlers));
    env->MakeCurrent();
    return *env;
  }
  platform::NativeWindow* Window() { return backend.FindWindowByCaption("Test"); }

  platform::HeadlessBackend backend;
  DefinitionBuilder builder;
  Recorder rec;
  std::unique_ptr<Environment> env;
};

TEST(LoadWindow, RaisesCreatedMovedResizedOnceBeforeShowingAndHoldsEventsWhileBuilding) {
  // The system grants only 400 pixels of width, so building resizes the
  // window: that resize happens while delivery is held back and reaches no
  // handler.
  platform::HeadlessConfig config;
  config.max_width = 400;
  Fixture f(config);
  Environment& env = f.Make();
  std::vector<bool> visible_at_call;
  f.rec.on_call = [&](const std::string&) {
    visible_at_call.push_back(f.backend.Info(f.Window())->visible);
  };
  env.Init();
  env.LoadWindow(kWin);
  EXPECT_EQ(f.rec.Names(), (std::vector<std::string>{"created", "moved", "resized"}));
  EXPECT_EQ(visible_at_call, (std::vector<bool>{false, false, false}));
  const auto* info = f.backend.Info(f.Window());
  EXPECT_TRUE(info->visible);
  EXPECT_TRUE(info->active);
  EXPECT_EQ(info->show_count, 1);

  // Loading it again only activates it.
  env.LoadWindow(kWin);
  EXPECT_EQ(f.rec.seen.size(), 3u);
  EXPECT_EQ(f.backend.Info(f.Window())->show_count, 1);
}

TEST(LoadWindow, CentresOnThePrimaryScreenTruncatingTowardZero) {
  struct Case {
    platform::Size screen;
    platform::Rect expected;
  };
  const Case cases[] = {
      {{1920, 1080}, {707, 340, 506, 400}},
      {{1024, 768}, {259, 184, 506, 400}},
      {{505, 399}, {0, 0, 506, 400}},  // (505 - 506) / 2 and (399 - 400) / 2 are 0
      {{300, 200}, {-103, -100, 506, 400}},
  };
  for (const Case& c : cases) {
    platform::HeadlessConfig config;
    config.screen = c.screen;
    Fixture f(config);
    f.Make().LoadWindow(kWin);
    EXPECT_EQ(f.backend.WindowRect(f.Window()), c.expected)
        << c.screen.width << "x" << c.screen.height;
  }
}

TEST(LoadWindow, BuildsControlsHiddenAndShowsOnlyVisibleOnes) {
  Fixture f;
  f.builder.Template(0x16010003, {.picture = testing::SolidGif(4, 4)});
  f.Make().LoadWindow(kWin);
  const auto controls = f.backend.Controls(f.Window());
  ASSERT_EQ(controls.size(), 1u);  // templates have no window of their own
  EXPECT_TRUE(f.backend.ControlVisible(controls[0]));
  EXPECT_EQ(f.backend.ControlRect(controls[0]), (platform::Rect{0, 0, 496, 400}));
  EXPECT_EQ(f.env->ReadProperty(kWin, 0x16010003, def::kPropVisible, -1), 0);
}

TEST(Properties, WritesAreSynchronousAndReadsReturnWhatTheSystemGranted) {
  platform::HeadlessConfig config;
  config.max_width = 1500;
  Fixture f(config);
  Environment& env = f.Make();
  env.LoadWindow(kWin);
  f.rec.seen.clear();

  env.WriteProperty(kWin, kSelf, def::kPropWidth, -1, 1920);
  EXPECT_EQ(f.rec.Names(), std::vector<std::string>{"resized"});  // before the write returned
  EXPECT_EQ(env.ReadProperty(kWin, kSelf, def::kPropWidth, -1), 1500);

  f.rec.seen.clear();
  env.WriteProperty(kWin, kSelf, def::kPropLeft, -1, 0);
  EXPECT_EQ(f.rec.Names(), std::vector<std::string>{"moved"});
  EXPECT_EQ(f.backend.WindowRect(f.Window()), (platform::Rect{0, 340, 1500, 400}));

  // Controls: client coordinates, any width (clipped by the window).
  env.WriteProperty(kWin, kBox, def::kPropWidth, -1, 1920);
  EXPECT_EQ(env.ReadProperty(kWin, kBox, def::kPropWidth, -1), 1920);
  EXPECT_EQ(env.ReadProperty(kWin, kBox, def::kPropHeight, -1), 400);
  EXPECT_EQ(env.ReadProperty(kWin, kBox, def::box_prop::kBackColor, -1), 0x00FFFFFF);
}

TEST(Events, DeliveredInOrderWithTheirArgumentsAndResult) {
  Fixture f;
  f.builder.Canvas(0x16010009, 10, 10, {{def::box_event::kCollided, "collided"}});
  Environment& env = f.Make({f.rec.Handler("collided", [] { return 7; })});
  env.LoadWindow(kWin);
  f.rec.seen.clear();

  const int32_t args[] = {2, 150, 150, 1};
  const EventResult bound = env.RaiseEvent(kWin, 0x16010009, def::box_event::kCollided, args);
  EXPECT_TRUE(bound.handled);
  EXPECT_EQ(bound.value, 7);
  ASSERT_EQ(f.rec.seen.size(), 1u);
  EXPECT_EQ(f.rec.seen[0].args, (std::vector<int32_t>{2, 150, 150, 1}));

  // Unbound events run no code.
  for (int32_t event = 0; event <= 17; ++event) {
    if (event == def::box_event::kCollided) continue;
    EXPECT_FALSE(env.RaiseEvent(kWin, 0x16010009, event, args).handled) << event;
  }
  EXPECT_FALSE(env.RaiseEvent(kWin, kSelf, 9, {}).handled);
  EXPECT_EQ(f.rec.seen.size(), 1u);
}

TEST(Shutdown, EveryClosePathEndsWithCodeZeroAndRunsTheEndRoutineOnce) {
  enum class Path { kEscOnWindow, kEscOnCanvas, kAltF4, kCloseButton };
  for (Path path : {Path::kEscOnWindow, Path::kEscOnCanvas, Path::kAltF4, Path::kCloseButton}) {
    Fixture f;
    Environment& env = f.Make();
    g_end_runs = 0;
    env.Init();
    env.RegisterEndRoutine(&CountingEnd);
    env.RegisterEndRoutine(&CountingEnd);  // the same routine twice keeps one entry
    env.LoadWindow(kWin);
    f.backend.At(1000, [&] {
      switch (path) {
        case Path::kEscOnWindow:
          f.backend.PressEscape();
          break;
        case Path::kEscOnCanvas:
          f.backend.ClickControl(f.backend.Controls(f.Window())[0]);
          ASSERT_NE(f.backend.focus(), nullptr);
          f.backend.PressEscape();
          break;
        case Path::kAltF4:
          f.backend.AltF4();
          break;
        case Path::kCloseButton:
          f.backend.RequestClose(f.Window());
          break;
      }
    });
    f.rec.seen.clear();
    env.RunMessageLoop();
    EXPECT_EQ(f.rec.Names(), (std::vector<std::string>{"query12", "query1", "destroyed"}));
    EXPECT_EQ(f.backend.TickCount(), 1000u);
    EXPECT_FALSE(f.backend.stalled());
    EXPECT_EQ(env.EndProcessing(), 0);
    EXPECT_EQ(g_end_runs, 1);
    // After end processing began, nothing is delivered.
    EXPECT_FALSE(env.RaiseEvent(kWin, kSelf, we::kCreated, {}).handled);
  }
}

TEST(Shutdown, ACloseQueryReturningFalseKeepsTheWindowOpen) {
  for (const char* refuser : {"query12", "query1"}) {
    Fixture f;
    f.builder.BindWindow(we::kQueryClose, "q12").BindWindow(we::kCloseQuery, "q1");
    const std::string r = refuser;
    Environment& env = f.Make({f.rec.Handler("q12", [&] { return r == "query12" ? 0 : 1; }),
                               f.rec.Handler("q1", [&] { return r == "query1" ? 0 : 1; })});
    env.LoadWindow(kWin);
    f.backend.RequestClose(f.Window());
    EXPECT_NE(f.Window(), nullptr) << refuser;
  }
}

TEST(RunMessageLoop, ReturnsAtOnceWithNoWindowLoaded) {
  Fixture f;
  Environment& env = f.Make();
  env.Init();
  env.RunMessageLoop();
  EXPECT_EQ(f.backend.TickCount(), 0u);
  EXPECT_EQ(env.EndProcessing(), 0);
}

// A damaged definition ends the process with -1, a message naming what is
// wrong, and no end routine.
TEST(FatalErrorDeathTest, DamagedDefinitionsEndWithMinusOne) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  struct Case {
    const char* name;
    std::function<void(DefinitionBuilder&)> prepare;
    std::function<void(Environment&)> run;
    const char* message;
  };
  const auto nothing = [](DefinitionBuilder&) {};
  const Case cases[] = {
      {"missing handler",
       [](DefinitionBuilder& b) { b.BindWindow(we::kResized, "no.such.handler"); },
       [](Environment& env) { env.Init(); }, "no.such.handler"},
      {"unknown window", nothing, [](Environment& env) { env.LoadWindow(0x12345678); },
       "0x12345678"},
      {"unknown control", nothing,
       [](Environment& env) {
         env.LoadWindow(kWin);
         env.ReadProperty(kWin, 0x1601FFFF, 0, -1);
       },
       "0x1601FFFF"},
      {"property index", nothing,
       [](Environment& env) {
         env.LoadWindow(kWin);
         env.WriteProperty(kWin, kBox, 21, -1, 0);  // the canvas has 8 + 13
       },
       "property 21"},
      {"window not loaded", nothing, [](Environment& env) { env.ReadProperty(kWin, kSelf, 2, -1); },
       "not loaded"},
  };
  for (const Case& c : cases) {
    EXPECT_EXIT(
        {
          Fixture f;
          c.prepare(f.builder);
          Environment& env = f.Make();
          env.RegisterEndRoutine(&ExitingEnd);  // would exit with 3
          c.run(env);
          std::_Exit(0);
        },
        ::testing::ExitedWithCode(kFatalExit), c.message)
        << c.name;
  }
}

}  // namespace
}  // namespace corvelin
