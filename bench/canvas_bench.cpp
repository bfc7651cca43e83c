// The canvas's hot paths on the real scene: one timer tick at 1920 wide, and
// the collision test at the moment of contact.
#include <benchmark/benchmark.h>

#include "definition/main_window.h"
#include "runtime/cartoon_box.h"
#include "runtime/cartoon_object.h"
#include "runtime/environment.h"
#include "runtime/platform/headless/headless.h"
#include "scene/scene.h"

namespace corvelin {
namespace {

struct LiveScene {
  LiveScene() : env(backend, def::ProgramWindows(), scene::Handlers()) {
    env.MakeCurrent();
    env.Init();
    scene::InitGlobals();
    env.LoadWindow(def::kMainWindow);
    backend.Advance(100);  // past the first full paint
  }
  platform::HeadlessBackend backend;
  Environment env;
};

// One canvas tick with everything it does in the running scene: the
// traveller's step and collision test, frame changes of both pictures, and
// the composition of the areas that changed.
void BM_SceneTick(benchmark::State& state) {
  LiveScene s;
  for (auto _ : state) {
    s.backend.Advance(10);
  }
  state.counters["painted_px_per_tick"] = benchmark::Counter(
      static_cast<double>(s.backend.painted_pixels()) / static_cast<double>(state.iterations()));
}
BENCHMARK(BM_SceneTick)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly();

// The overlap test of the traveller's and the portrait's masks at the first
// position where they touch.
void BM_CollisionAtContact(benchmark::State& state) {
  LiveScene s;
  CartoonObject& portrait = s.env.TemplateOrFatal(def::kMainWindow, def::kObject1);
  CartoonObject& figure = s.env.TemplateOrFatal(def::kMainWindow, def::kObject2);
  const BitMask& a = portrait.image()->frames[0].solid;
  const SharedImage traveller = figure.TakeOver().image;
  const BitMask& b = traveller->frames[0].solid;
  int32_t x = 150;
  while (x > -140 && !MasksOverlap(b, x, 150, a, 0, 120)) --x;
  for (auto _ : state) {
    benchmark::DoNotOptimize(MasksOverlap(b, x, 150, a, 0, 120));
  }
  state.counters["contact_x"] = x;
}
BENCHMARK(BM_CollisionAtContact);

}  // namespace
}  // namespace corvelin
