// Exercises the native backend on its own, with the main window's layout: a
// window titled "Corvelin" centred at 506 x 400, then stretched to the screen
// width at x 0, holding a white canvas of the window's width and 400 pixels
// height on which a 140 x 140 square travels leftwards 2 pixels per tick of a
// window timer.
//
//   sdl_backend_probe [--period MS] [--seconds N]
//
// Esc, Alt+F4 or a window-manager close end it with exit code 0; after
// --seconds N it ends by itself and reports the number of timer ticks.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "runtime/platform/native.h"

namespace {

using corvelin::platform::Backend;
using corvelin::platform::ControlParams;
using corvelin::platform::ControlSink;
using corvelin::platform::NativeControl;
using corvelin::platform::NativeWindow;
using corvelin::platform::PixelView;
using corvelin::platform::Rect;
using corvelin::platform::WindowParams;
using corvelin::platform::WindowSink;

constexpr int32_t kSquare = 140;
constexpr uint32_t kWhite = 0xFFFFFFFF;
constexpr uint32_t kSquareColour = 0xFF2060C0;

class Probe final : public WindowSink, public ControlSink {
 public:
  Probe(Backend& backend, uint32_t period, uint32_t seconds)
      : backend_(backend), period_(period), seconds_(seconds) {}

  bool Start() {
    const auto screen = backend_.ScreenSize();
    WindowParams wp;
    wp.caption_gbk = "Corvelin";
    wp.outer = {(screen.width - 506) / 2, (screen.height - 400) / 2, 506, 400};
    window_ = backend_.CreateTopLevel(wp, this);
    if (window_ == nullptr) return false;
    ControlParams cp;
    cp.rect = {0, 0, 496, 400};
    cp.tab_stop = true;
    cp.focus_on_click = true;
    canvas_ = backend_.CreateControl(window_, cp, this);
    if (canvas_ == nullptr) return false;
    backend_.ShowControl(canvas_);
    backend_.StartTimer(canvas_, period_);

    // The layout the scene makes before the window is first shown.
    const uint32_t layout_start = backend_.TickCount();
    Rect outer = backend_.WindowRect(window_);
    outer.width = screen.width;
    backend_.SetWindowRect(window_, outer);
    outer.x = 0;
    backend_.SetWindowRect(window_, outer);
    Rect canvas = backend_.ControlRect(canvas_);
    canvas.width = screen.width;
    backend_.SetControlRect(canvas_, canvas);
    Resize(canvas.width, canvas.height);
    x_ = canvas.width - 150;
    layout_ms_ = backend_.TickCount() - layout_start;
    start_ = backend_.TickCount();
    backend_.ShowWindow(window_);
    return true;
  }

  void Report() const {
    const uint32_t elapsed = backend_.TickCount() - start_;
    std::fprintf(stderr,
                 "probe: %u ticks in %u ms (%.2f ms per tick), %u paints, %u moves and %u resizes "
                 "in all\n",
                 ticks_, elapsed, ticks_ ? static_cast<double>(elapsed) / ticks_ : 0.0, paints_,
                 moves_, resizes_);
  }

  // WindowSink
  void OnMoved() override { ++moves_; }
  void OnResized() override { ++resizes_; }
  void OnCloseRequest() override { Close(); }
  void OnEscape() override { Close(); }
  void OnDestroyed() override {
    window_ = nullptr;
    canvas_ = nullptr;
    backend_.PostQuit(0);
  }

  // ControlSink
  void OnTimer() override {
    ++ticks_;
    if (seconds_ != 0 && backend_.TickCount() - start_ >= seconds_ * 1000) {
      Close();
      return;
    }
    const Rect old{x_, y_, kSquare, kSquare};
    x_ -= 2;
    if (x_ + kSquare < 0) x_ = width_ - 150;
    backend_.Invalidate(canvas_, old);
    backend_.Invalidate(canvas_, {x_, y_, kSquare, kSquare});
  }

  PixelView Paint(const Rect& area) override {
    ++paints_;
    for (int32_t y = area.y; y < area.y + area.height && y < height_; ++y) {
      for (int32_t x = area.x; x < area.x + area.width && x < width_; ++x) {
        const bool inside = x >= x_ && x < x_ + kSquare && y >= y_ && y < y_ + kSquare;
        pixels_[static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x)] =
            inside ? kSquareColour : kWhite;
      }
    }
    return {pixels_.data(), width_, height_, width_};
  }

  uint32_t moves() const { return moves_; }
  uint32_t resizes() const { return resizes_; }
  uint32_t layout_ms() const { return layout_ms_; }

 private:
  void Close() {
    if (window_ != nullptr) backend_.DestroyWindow(window_);
  }
  void Resize(int32_t width, int32_t height) {
    width_ = width;
    height_ = height;
    pixels_.assign(static_cast<size_t>(width) * static_cast<size_t>(height), kWhite);
  }

  Backend& backend_;
  uint32_t period_;
  uint32_t seconds_;
  NativeWindow* window_ = nullptr;
  NativeControl* canvas_ = nullptr;
  std::vector<uint32_t> pixels_;
  int32_t width_ = 0;
  int32_t height_ = 0;
  int32_t x_ = 0;
  int32_t y_ = 130;
  uint32_t start_ = 0;
  uint32_t ticks_ = 0;
  uint32_t paints_ = 0;
  uint32_t moves_ = 0;
  uint32_t resizes_ = 0;
  uint32_t layout_ms_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
  uint32_t period = 5;
  uint32_t seconds = 0;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--period") == 0) {
      period = static_cast<uint32_t>(std::strtoul(argv[i + 1], nullptr, 10));
    } else if (std::strcmp(argv[i], "--seconds") == 0) {
      seconds = static_cast<uint32_t>(std::strtoul(argv[i + 1], nullptr, 10));
    } else {
      std::fprintf(stderr, "usage: %s [--period MS] [--seconds N]\n", argv[0]);
      return 2;
    }
  }
  auto backend = corvelin::platform::CreateNativeBackend();
  Probe probe(*backend, period, seconds);
  if (!probe.Start()) {
    backend->ShowFatalError("the probe window cannot be created");
    return -1;
  }
  std::fprintf(stderr, "probe: layout took %u ms and raised %u moves and %u resizes\n",
               probe.layout_ms(), probe.moves(), probe.resizes());
  const int code = backend->RunMessageLoop();
  probe.Report();
  return code;
}
