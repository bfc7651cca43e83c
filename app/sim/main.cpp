// corvelin-sim: the very same window definition, scene controller and run
// time as the real program, on the headless backend: a virtual screen, a
// virtual clock and offscreen pixels. Deterministic.
#include <cstdio>
#include <string>
#include <vector>

#include "app/sim/options.h"
#include "app/sim/pictures.h"
#include "app/start.h"
#include "runtime/platform/headless/headless.h"

namespace {

constexpr int kExitUsage = 2;
constexpr uint32_t kRecordEveryMs = 40;

int Fail(const std::string& message) {
  std::fprintf(stderr, "corvelin-sim: %s\n", message.c_str());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace corvelin;
  std::string error;
  const std::vector<std::string> args(argv + 1, argv + argc);
  const std::optional<sim::Options> options = sim::ParseOptions(args, &error);
  if (!options) {
    std::fprintf(stderr, "corvelin-sim: %s\n%s", error.c_str(), sim::kUsage);
    return kExitUsage;
  }
  if (options->help) {
    std::fputs(sim::kUsage, stdout);
    return 0;
  }

  platform::HeadlessConfig config;
  config.screen = options->screen;
  config.frame = options->frame;
  config.max_width = options->max_width;
  config.timer_floor_ms = options->tick_ms;
  platform::HeadlessBackend backend(config);

  const auto main_window = [&]() -> platform::NativeWindow* {
    std::vector<platform::NativeWindow*> windows = backend.Windows();
    return windows.empty() ? nullptr : windows.front();
  };

  sim::GifRecorder recorder;
  uint32_t last_recorded = 0;
  bool recorded_any = false;
  if (!options->gif.empty()) {
    backend.SetObserver([&](uint32_t now) {
      if (recorded_any && now - last_recorded < kRecordEveryMs) return;
      platform::NativeWindow* w = main_window();
      if (w == nullptr || !backend.Info(w)->visible) return;
      platform::Size size;
      const std::vector<uint32_t> pixels = backend.ClientPixels(w, &size);
      recorder.Add(pixels, size.width, size.height, kRecordEveryMs);
      last_recorded = now;
      recorded_any = true;
    });
  }

  // At the end of the run: take the picture, then close the window as a user
  // would.
  bool png_ok = true;
  backend.At(config.start_tick + options->run_ms, [&] {
    platform::NativeWindow* w = main_window();
    if (w != nullptr && !options->png.empty()) {
      platform::Size size;
      const std::vector<uint32_t> pixels = backend.ClientPixels(w, &size);
      png_ok = sim::WritePng(options->png, pixels, size.width, size.height, &error);
    }
    backend.SetObserver(nullptr);
    for (platform::NativeWindow* open : backend.Windows()) backend.RequestClose(open);
  });

  const int code = app::RunProgram(backend, options->trace);
  if (!png_ok) return Fail(error);
  if (!options->gif.empty() && !recorder.Write(options->gif, &error)) return Fail(error);
  return code;
}
