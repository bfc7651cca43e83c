// A small program on the Win32 backend alone, laid out like Corvelin's main
// window: a 506 x 400 window centred on the screen, then widened to the
// screen's width at x 0, with a white canvas control that shows a red line of
// text at (W / 2 - 300, 350) and a black square travelling leftwards along
// y 150. Esc, the close button and WM_CLOSE end it with exit code 0.
//
// With --self-test it checks the backend's synchronous geometry and text
// services and exits with 0 (pass) or 1, printing what failed. With --fatal it
// reports a fatal error the way the run time does and exits with -1.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <windows.h>

#include "runtime/platform/native.h"
#include "runtime/platform/win32/win32_backend.h"

namespace {

using corvelin::platform::Backend;
using corvelin::platform::ControlParams;
using corvelin::platform::ControlSink;
using corvelin::platform::LineBitmap;
using corvelin::platform::NativeControl;
using corvelin::platform::NativeWindow;
using corvelin::platform::PixelView;
using corvelin::platform::Rect;
using corvelin::platform::WindowParams;
using corvelin::platform::WindowSink;

// "距离电脑屏幕一米左右，脸对着屏幕中间捂住左眼用右眼集中精力的看美女会有奇迹发生" in GBK.
constexpr char kTextGbk[] =
    "\xbe\xe0\xc0\xeb\xb5\xe7\xc4\xd4\xc6\xc1\xc4\xbb\xd2\xbb\xc3\xd7\xd7\xf3\xd3\xd2\xa3\xac"
    "\xc1\xb3\xb6\xd4\xd7\xc5\xc6\xc1\xc4\xbb\xd6\xd0\xbc\xe4\xce\xe6\xd7\xa1\xd7\xf3\xd1\xdb"
    "\xd3\xc3\xd3\xd2\xd1\xdb\xbc\xaf\xd6\xd0\xbe\xab\xc1\xa6\xb5\xc4\xbf\xb4\xc3\xc0\xc5\xae"
    "\xbb\xe1\xd3\xd0\xc6\xe6\xbc\xa3\xb7\xa2\xc9\xfa";

constexpr uint32_t kWhite = 0xFFFFFFFF;
constexpr uint32_t kRed = 0xFFFF0000;
constexpr uint32_t kBlack = 0xFF000000;

class Probe final : public WindowSink, public ControlSink {
 public:
  explicit Probe(Backend& backend) : backend_(backend) {}

  bool Build() {
    const auto screen = backend_.ScreenSize();
    WindowParams wp;
    wp.caption_gbk = "Corvelin";
    wp.outer = Rect{(screen.width - 506) / 2, (screen.height - 400) / 2, 506, 400};
    window_ = backend_.CreateTopLevel(wp, this);
    if (!window_) return false;
    ControlParams cp;
    cp.rect = Rect{0, 0, 496, 400};
    cp.background = kWhite;
    cp.tab_stop = true;
    cp.focus_on_click = true;
    canvas_ = backend_.CreateControl(window_, cp, this);
    if (!canvas_) return false;
    backend_.ShowControl(canvas_);
    text_ = backend_.RasteriseLine(std::string_view(kTextGbk, sizeof kTextGbk - 1), nullptr)
                .value_or(LineBitmap{});

    // Lay out like the created handler: full screen width at x 0.
    Rect outer = backend_.WindowRect(window_);
    outer.x = 0;
    outer.width = screen.width;
    backend_.SetWindowRect(window_, outer);
    Rect canvas = backend_.ControlRect(canvas_);
    canvas.width = backend_.WindowRect(window_).width;
    backend_.SetControlRect(canvas_, canvas);
    Resize(canvas.width, canvas.height);
    figure_x_ = canvas.width - 150;
    backend_.StartTimer(canvas_, 5);
    backend_.ShowWindow(window_);
    return true;
  }

  int moved = 0;
  int paints = 0;
  Rect last_paint;
  int resized = 0;
  NativeWindow* window() const { return window_; }
  NativeControl* canvas() const { return canvas_; }
  const LineBitmap& text() const { return text_; }

  // WindowSink
  void OnMoved() override { ++moved; }
  void OnResized() override { ++resized; }
  void OnCloseRequest() override { Close(); }
  void OnEscape() override { Close(); }
  void OnDestroyed() override {
    window_ = nullptr;
    canvas_ = nullptr;
    backend_.PostQuit(0);
  }

  // ControlSink
  void OnTimer() override {
    if (!canvas_) return;
    const Rect old_area{figure_x_, 150, 140, 140};
    figure_x_ -= 2;
    if (figure_x_ < 150) figure_x_ = width_ - 150;
    backend_.Invalidate(canvas_, old_area);
    backend_.Invalidate(canvas_, Rect{figure_x_, 150, 140, 140});
  }

  PixelView Paint(const Rect& area) override {
    ++paints;
    last_paint = area;
    Compose();
    return PixelView{pixels_.data(), width_, height_, width_};
  }

 private:
  void Close() {
    if (window_) backend_.DestroyWindow(window_);
  }

  void Resize(int32_t w, int32_t h) {
    width_ = w;
    height_ = h;
    pixels_.assign(static_cast<size_t>(w) * static_cast<size_t>(h), kWhite);
  }

  void Fill(int32_t x0, int32_t y0, int32_t w, int32_t h, uint32_t colour) {
    for (int32_t y = std::max(0, y0); y < std::min(height_, y0 + h); ++y) {
      for (int32_t x = std::max(0, x0); x < std::min(width_, x0 + w); ++x) {
        pixels_[static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x)] =
            colour;
      }
    }
  }

  void Compose() {
    std::fill(pixels_.begin(), pixels_.end(), kWhite);
    const int32_t tx = width_ / 2 - 300;
    for (int32_t y = 0; y < text_.height; ++y) {
      for (int32_t x = 0; x < text_.width; ++x) {
        if (text_.bits[static_cast<size_t>(y) * static_cast<size_t>(text_.width) +
                       static_cast<size_t>(x)]) {
          Fill(tx + x, 350 + y, 1, 1, kRed);
        }
      }
    }
    Fill(figure_x_ + 20, 170, 100, 100, kBlack);
  }

  Backend& backend_;
  NativeWindow* window_ = nullptr;
  NativeControl* canvas_ = nullptr;
  LineBitmap text_;
  std::vector<uint32_t> pixels_;
  int32_t width_ = 0;
  int32_t height_ = 0;
  int32_t figure_x_ = 0;
};

int failures = 0;

// Width of an icon's colour (or mask) bitmap, 0 without an icon.
int IconWidth(HICON icon) {
  ICONINFO info{};
  if (!icon || !GetIconInfo(icon, &info)) return 0;
  BITMAP bm{};
  GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bm, &bm);
  if (info.hbmColor) DeleteObject(info.hbmColor);
  if (info.hbmMask) DeleteObject(info.hbmMask);
  return bm.bmWidth;
}

void Check(bool ok, const char* what) {
  if (!ok) {
    std::printf("FAILED: %s\n", what);
    ++failures;
  }
}

// Checks what the core relies on without looking at the screen.
int SelfTest(Backend& backend) {
  Probe probe(backend);
  Check(probe.Build(), "window and canvas are built");
  if (failures) return 1;
  const auto screen = backend.ScreenSize();
  const Rect outer = backend.WindowRect(probe.window());
  Check(outer.x == 0 && outer.width == screen.width, "window spans the screen at x 0");
  Check(outer.y == (screen.height - 400) / 2 && outer.height == 400,
        "window keeps its top and height");
  Check(probe.moved > 0 && probe.resized > 0, "geometry writes are reported before they return");
  const auto frame = backend.WindowFrame(probe.window());
  Check(frame.top > frame.bottom && frame.left >= 0, "frame has a caption");
  Check(backend.ControlRect(probe.canvas()) == (Rect{0, 0, screen.width, 400}),
        "canvas spans the window");

  // What the system sees of the window: our class, no owner (a taskbar
  // button), not topmost, the program icon at both sizes.
  HWND hwnd = FindWindowW(corvelin::platform::win32::kWindowClass, L"Corvelin");
  Check(hwnd != nullptr, "window found by class and caption");
  Check(GetWindow(hwnd, GW_OWNER) == nullptr, "window has no owner");
  Check((GetWindowLongW(hwnd, GWL_EXSTYLE) & (WS_EX_TOPMOST | WS_EX_TOOLWINDOW)) == 0,
        "window is neither topmost nor a tool window");
  const int big_icon =
      IconWidth(reinterpret_cast<HICON>(SendMessageW(hwnd, WM_GETICON, ICON_BIG, 0)));
  const int small_icon =
      IconWidth(reinterpret_cast<HICON>(SendMessageW(hwnd, WM_GETICON, ICON_SMALL, 0)));
  Check(big_icon == 32 && small_icon == 16, "program icon at 32 and 16 pixels");

  const LineBitmap& text = probe.text();
  Check(text.height > 0 && text.width > 39 * 6, "instruction line is measured");
  Check(text.bits.size() == static_cast<size_t>(text.width) * static_cast<size_t>(text.height),
        "one byte per pixel");
  size_t set = 0;
  for (uint8_t b : text.bits) set += b;
  Check(set > 39 * 10 && set < text.bits.size() / 2, "glyphs are drawn");

  // Chinese text in a face without Chinese glyphs: drawn from a font that has
  // them, not as the missing-glyph box, which is the same for every character.
  corvelin::platform::FontSpec western;
  western.face = "Tahoma";
  western.height = -16;
  const auto ju = backend.RasteriseLine("\xbe\xe0", &western);  // 距
  const auto li = backend.RasteriseLine("\xc0\xeb", &western);  // 离
  Check(ju && li && ju->width > 0 && ju->bits != li->bits,
        "Chinese characters in a Western face get glyphs of their own");

  const auto empty = backend.RasteriseLine("", nullptr);
  Check(empty && empty->width == 0 && empty->height == text.height, "empty line has a height");
  corvelin::platform::FontSpec big;
  big.height = -40;
  big.weight = 700;
  const auto tall = backend.RasteriseLine("Corvelin", &big);
  Check(tall && tall->height >= 40, "a stored font's height is used");
  Check(backend.GbkToUtf8("\xc3\xc0\xc5\xae") == "\xe7\xbe\x8e\xe5\xa5\xb3", "GBK to UTF-8");

  std::printf(
      "screen %dx%d, window %d,%d %dx%d, frame %d/%d/%d/%d, text %dx%d with %zu glyph pixels\n",
      screen.width, screen.height, outer.x, outer.y, outer.width, outer.height, frame.left,
      frame.top, frame.right, frame.bottom, text.width, text.height, set);
  std::fflush(stdout);
  // Painting on demand: an invalidated area is painted by UpdateNow before it
  // returns, and only that area is asked for.
  backend.UpdateNow(probe.canvas());  // whatever showing the window left
  const int paints_before = probe.paints;
  backend.Invalidate(probe.canvas(), Rect{10, 20, 30, 40});
  backend.UpdateNow(probe.canvas());
  Check(probe.paints == paints_before + 1, "UpdateNow paints at once");
  Check(probe.last_paint == (Rect{10, 20, 30, 40}), "only the invalidated area is painted");

  // A minimised window comes back in its place.
  ShowWindow(hwnd, SW_MINIMIZE);
  Check(IsIconic(hwnd) != FALSE, "window minimises");
  backend.RestoreAndActivate(probe.window());
  Check(!IsIconic(hwnd) && backend.WindowRect(probe.window()) == outer,
        "window restored at its place");

  const uint32_t t0 = backend.TickCount();
  backend.DestroyWindow(probe.window());
  Check(probe.window() == nullptr, "destruction is reported");
  const int code = backend.RunMessageLoop();  // the quit posted by OnDestroyed
  Check(code == 0, "quit code comes back from the loop");
  Check(backend.TickCount() - t0 < 60000, "tick count runs");
  return failures ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  auto backend = corvelin::platform::CreateNativeBackend();
  if (argc > 1 && std::strcmp(argv[1], "--self-test") == 0) return SelfTest(*backend);
  if (argc > 1 && std::strcmp(argv[1], "--fatal") == 0) {
    // As the run time does after a fatal error: tell the user, end with -1.
    backend->ShowFatalError("control 0x16010002 of window 0x52010001 cannot be created");
    return -1;
  }
  Probe probe(*backend);
  if (!probe.Build()) return 2;
  return backend->RunMessageLoop();
}
