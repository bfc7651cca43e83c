// The headless backend: a virtual desktop with a virtual clock and offscreen
// pixels. Deterministic: no wall clock, no threads. Time passes only inside
// RunMessageLoop (which jumps from one timer or scheduled action to the next)
// or when the caller advances it.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "runtime/platform/platform.h"

namespace corvelin::platform {

struct HeadlessConfig {
  Size screen{1920, 1080};
  Insets frame{3, 26, 3, 3};
  int32_t max_width = 0;         // largest outer width the system grants; 0 = no limit
  uint32_t timer_floor_ms = 10;  // window timers never fire more often
  uint32_t start_tick = 0;
};

class HeadlessBackend final : public Backend {
 public:
  explicit HeadlessBackend(HeadlessConfig config = {});
  ~HeadlessBackend() override;

  const char* Name() const override { return "headless"; }
  Size ScreenSize() override { return config_.screen; }
  uint32_t TickCount() override { return now_; }

  NativeWindow* CreateTopLevel(const WindowParams& params, WindowSink* sink) override;
  Rect WindowRect(NativeWindow* w) override;
  Insets WindowFrame(NativeWindow* w) override;
  void SetWindowRect(NativeWindow* w, const Rect& outer) override;
  void ShowWindow(NativeWindow* w) override;
  void RestoreAndActivate(NativeWindow* w) override;
  void DestroyWindow(NativeWindow* w) override;

  NativeControl* CreateControl(NativeWindow* parent, const ControlParams& params,
                               ControlSink* sink) override;
  Rect ControlRect(NativeControl* c) override;
  void SetControlRect(NativeControl* c, const Rect& rect) override;
  void ShowControl(NativeControl* c) override;
  void StartTimer(NativeControl* c, uint32_t period_ms) override;
  void StopTimer(NativeControl* c) override;
  void Invalidate(NativeControl* c, const Rect& area) override;
  void UpdateNow(NativeControl* c) override;

  int RunMessageLoop() override;
  void PostQuit(int code) override;

  std::string GbkToUtf8(std::string_view gbk) override;
  std::optional<LineBitmap> RasteriseLine(std::string_view gbk, const FontSpec* font) override;
  void ShowFatalError(std::string_view utf8_message) override;

  // --- driving it ---
  // Runs `action` when the virtual clock reaches `at` (absolute tick).
  void At(uint32_t at, std::function<void()> action);
  // Advances the virtual clock, firing timers, scheduled actions and paints
  // in time order (outside the message loop, for tests).
  void Advance(uint32_t ms);
  // Calls `observer` after each batch of work at one point in virtual time
  // (for recordings).
  void SetObserver(std::function<void(uint32_t now)> observer);

  // User input, delivered at once.
  void PressEscape();                   // to the focused window
  void AltF4();                         // close request to the active window
  void RequestClose(NativeWindow* w);   // close button / window-manager close
  void ClickControl(NativeControl* c);  // gives it the focus if it takes it

  // --- looking at it ---
  struct WindowInfo {
    Rect outer;
    bool visible = false;
    bool active = false;
    int show_count = 0;
    WindowParams params;
  };
  std::vector<NativeWindow*> Windows() const;
  const WindowInfo* Info(NativeWindow* w) const;
  NativeWindow* FindWindowByCaption(std::string_view gbk) const;
  std::vector<NativeControl*> Controls(NativeWindow* w) const;
  bool ControlVisible(NativeControl* c) const;
  NativeControl* focus() const { return focus_; }
  // The client area as the screen shows it: the window background with the
  // visible controls painted over it (clipped).
  std::vector<uint32_t> ClientPixels(NativeWindow* w, Size* size);
  bool stalled() const { return stalled_; }
  uint64_t painted_pixels() const { return painted_pixels_; }

 private:
  struct Timer;
  void RunBatch();
  bool NextEvent(uint32_t limit, uint32_t* when) const;
  void FireDue();
  void PaintPending();
  void PaintControl(NativeControl* c);

  HeadlessConfig config_;
  uint32_t now_ = 0;
  std::vector<std::unique_ptr<NativeWindow>> windows_;
  std::map<NativeWindow*, std::string> caption_;  // GBK
  std::vector<std::unique_ptr<NativeControl>> controls_;
  std::multimap<uint32_t, std::function<void()>> scheduled_;
  std::function<void(uint32_t)> observer_;
  NativeControl* focus_ = nullptr;
  NativeWindow* active_ = nullptr;
  bool quit_posted_ = false;
  int quit_code_ = 0;
  bool stalled_ = false;
  uint64_t painted_pixels_ = 0;
};

}  // namespace corvelin::platform
