// The scene as the program runs it: the real window definition, the scene
// controller and the canvas, on the headless backend.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>

#include "app/start.h"
#include "definition/kinds.h"
#include "definition/main_window.h"
#include "runtime/cartoon_box.h"
#include "runtime/environment.h"
#include "runtime/platform/headless/headless.h"
#include "scene/scene.h"
#include "tests/support/fixtures.h"

namespace corvelin {
namespace {

using namespace def;

// The program on a headless backend, with the collision handler wrapped so
// that a test can look at each contact as it happens.
struct Scene {
  explicit Scene(platform::HeadlessConfig config = {},
                 std::span<const WindowDef* const> windows = ProgramWindows())
      : backend(config) {
    std::vector<HandlerEntry> handlers = scene::Handlers();
    for (HandlerEntry& h : handlers) {
      if (h.name != kCollisionHandler) continue;
      h.fn = [this, inner = h.fn](std::span<const int32_t> args) {
        if (on_contact) on_contact(args);
        return inner(args);
      };
    }
    env = std::make_unique<Environment>(backend, windows, std::move(handlers));
    env->MakeCurrent();
    env->Init();
    scene::InitGlobals();
    env->LoadWindow(kMainWindow);
  }
  CartoonBox& canvas() { return env->CanvasOrFatal(kMainWindow, kCanvas1); }
  SpriteView Sprite(int32_t id) {
    auto v = canvas().Find(id);
    EXPECT_TRUE(v.has_value()) << "sprite " << id;
    return v.value_or(SpriteView{});
  }

  platform::HeadlessBackend backend;
  std::unique_ptr<Environment> env;
  std::function<void(std::span<const int32_t>)> on_contact;
};

TEST(SceneLayout, FollowsTheWidthTheWindowWasGranted) {
  struct Case {
    int32_t screen;
    int32_t max_width;  // 0: the whole screen is granted
    int32_t width, traveller_x, text_x;
  };
  const Case cases[] = {
      {1920, 0, 1920, 1770, 660}, {1024, 0, 1024, 874, 212}, {1365, 0, 1365, 1215, 382},
      {599, 0, 599, 449, 0},      {597, 0, 597, 447, -1},    {1920, 1500, 1500, 1350, 450},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "screen " << c.screen << " max " << c.max_width);
    platform::HeadlessConfig config;
    config.screen = {c.screen, 1080};
    config.max_width = c.max_width;
    Scene s(config);
    const platform::Rect window = s.backend.WindowRect(s.backend.Windows().at(0));
    EXPECT_EQ(window, (platform::Rect{0, (1080 - 400) / 2, c.width, 400}));
    EXPECT_EQ(s.canvas().size(), (platform::Size{c.width, 400}));
    EXPECT_EQ(s.canvas().StackingOrder(), (std::vector<int32_t>{1, 2, 3}));
    EXPECT_EQ(scene::MovingSpriteId(), 2);
    EXPECT_EQ(s.Sprite(1).ix, 0);
    EXPECT_EQ(s.Sprite(1).iy, 120);
    EXPECT_EQ(s.Sprite(2).ix, c.traveller_x);
    EXPECT_EQ(s.Sprite(2).iy, 150);
    EXPECT_TRUE(s.Sprite(2).advancing);
    EXPECT_EQ(s.Sprite(3).ix, c.text_x);
    EXPECT_EQ(s.Sprite(3).iy, 350);
    EXPECT_EQ(s.Sprite(1).width, 150);
    EXPECT_EQ(s.Sprite(2).width, 140);
    EXPECT_EQ(s.Sprite(2).height, 140);
  }
}

TEST(SceneRun, TravelsTwoPixelsPerTickAndRespawnsOnEachContact) {
  Scene s;
  std::vector<std::vector<int32_t>> contacts;
  std::vector<int32_t> x_at_contact;
  s.on_contact = [&](std::span<const int32_t> args) {
    contacts.emplace_back(args.begin(), args.end());
    x_at_contact.push_back(s.Sprite(args[0]).ix);
  };
  // Each tick the traveller moves exactly 2 to the left along y = 150.
  int32_t last_id = 2, last_x = s.Sprite(2).ix;
  int steps = 0;
  std::set<size_t> picture_frames, traveller_frames;
  s.backend.SetObserver([&](uint32_t) {
    const int32_t id = scene::MovingSpriteId();
    const SpriteView v = s.Sprite(id);
    EXPECT_EQ(v.iy, 150);
    if (id == last_id) {
      EXPECT_EQ(v.ix, last_x - 2);
      ++steps;
    } else {
      EXPECT_EQ(v.ix, 1770);  // a new traveller at the start, not moved yet
    }
    last_id = id;
    last_x = v.ix;
    picture_frames.insert(s.Sprite(1).frame);
    traveller_frames.insert(v.frame);
  });
  s.backend.Advance(20000);

  ASSERT_GE(contacts.size(), 2u);
  for (size_t i = 0; i < contacts.size(); ++i) {
    // Ids 1 to 3 are the first three sprites; respawns get 4, 5, 6...
    const int32_t mover = i == 0 ? 2 : static_cast<int32_t>(i + 3);
    EXPECT_EQ(contacts[i][0], mover);
    EXPECT_EQ(contacts[i][1], x_at_contact[i] + 2);  // the position before the step
    EXPECT_EQ(contacts[i][2], 150);
    EXPECT_EQ(contacts[i][3], 1);  // the picture, never the text
  }
  EXPECT_EQ(scene::MovingSpriteId(), static_cast<int32_t>(contacts.size()) + 3);
  EXPECT_FALSE(s.canvas().Find(2).has_value());
  EXPECT_EQ(s.canvas().sprite_count(), 3u);
  // The picture and the text stay where they were and keep animating.
  EXPECT_EQ(s.Sprite(1).ix, 0);
  EXPECT_EQ(s.Sprite(1).iy, 120);
  EXPECT_EQ(s.Sprite(3).ix, 660);
  EXPECT_EQ(picture_frames.size(), 17u);
  EXPECT_EQ(traveller_frames.size(), 20u);
  EXPECT_GT(steps, 1000);
}

TEST(SceneRun, ACollisionFromAnotherSpriteChangesNothing) {
  Scene s;
  const std::vector<int32_t> before = s.canvas().StackingOrder();
  scene::OnCollision(1, 0, 120, 2);
  scene::OnCollision(3, 0, 0, 1);
  EXPECT_EQ(s.canvas().StackingOrder(), before);
  EXPECT_EQ(scene::MovingSpriteId(), 2);
}

TEST(SceneRun, APictureWithNothingSolidInTheBandLetsTheTravellerLeaveAndStop) {
  // 动画物体1 with a picture whose figure lies only in its top 20 rows, above
  // the rows the traveller crosses.
  const std::string picture = testing::MakeGif(
      150, 150, [](int, int y) { return y < 20 ? 1 : 0; }, 0);
  std::vector<ComponentDef> components(MainWindow().components.begin(),
                                       MainWindow().components.end());
  std::vector<Value> object1;
  for (ComponentDef& c : components) {
    if (c.number != kObject1) continue;
    object1.assign(c.own_values.begin(), c.own_values.end());
    object1[object_prop::kPicture - kFirstOwnProperty] = Value::Blob(picture);
    c.own_values = object1;
  }
  const WindowDef window{kMainWindow, components};
  const WindowDef* const set[] = {&window};

  Scene s({}, set);
  int contacts = 0;
  s.on_contact = [&](std::span<const int32_t>) { ++contacts; };
  s.backend.Advance(15000);
  EXPECT_EQ(contacts, 0);
  const SpriteView traveller = s.Sprite(2);
  EXPECT_FALSE(traveller.advancing);
  EXPECT_EQ(traveller.ix, -140);  // the first step after which nothing of it is inside
  EXPECT_EQ(scene::MovingSpriteId(), 2);
  EXPECT_EQ(s.canvas().sprite_count(), 3u);
}

// The trace is a contract: its first lines for the default screen.
TEST(SceneTrace, StartsWithTheLayoutInTheDocumentedFormat) {
  const std::string path = ::testing::TempDir() + "corvelin_trace_test.jsonl";
  platform::HeadlessBackend backend;
  backend.At(25, [&] { backend.RequestClose(backend.Windows().at(0)); });
  EXPECT_EQ(app::RunProgram(backend, path), 0);
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  const std::string expected =
      R"({"t":0,"op":"event","source":"0x06010000","event":0,"args":[],"handled":true}
{"t":0,"op":"write","control":"0x06010000","prop":2,"value":1920}
{"t":0,"op":"event","source":"0x06010000","event":4,"args":[],"handled":false}
{"t":0,"op":"read","control":"0x06010000","prop":2,"value":1920}
{"t":0,"op":"write","control":"0x16010002","prop":2,"value":1920}
{"t":0,"op":"write","control":"0x06010000","prop":0,"value":0}
{"t":0,"op":"event","source":"0x06010000","event":3,"args":[],"handled":false}
{"t":0,"op":"create","id":1,"template":"动画物体1","x":0,"y":120}
{"t":0,"op":"read","control":"0x06010000","prop":2,"value":1920}
{"t":0,"op":"create","id":2,"template":"动画物体2","x":1770,"y":150}
{"t":0,"op":"read","control":"0x06010000","prop":2,"value":1920}
{"t":0,"op":"create","id":3,"template":"动画物体3","x":660,"y":350}
{"t":0,"op":"advance","id":2,"step":2,"interval":2}
{"t":0,"op":"event","source":"0x06010000","event":3,"args":[],"handled":false}
{"t":0,"op":"event","source":"0x06010000","event":4,"args":[],"handled":false}
{"t":0,"op":"show"}
)";
  const std::string got = text.str();
  EXPECT_EQ(got.substr(0, expected.size()), expected);
  EXPECT_NE(got.find(R"({"t":10,"op":"move","id":2,"x":1768,"y":150})"), std::string::npos);
  EXPECT_NE(got.find(R"({"t":20,"op":"move","id":2,"x":1766,"y":150})"), std::string::npos);
  const std::string tail = R"({"t":25,"op":"exit","code":0})"
                           "\n";
  ASSERT_GE(got.size(), tail.size());
  EXPECT_EQ(got.substr(got.size() - tail.size()), tail);
  std::remove(path.c_str());
}

}  // namespace
}  // namespace corvelin
