// The Linux backend: SDL2 windows, with child controls emulated as
// rectangles of the window's client area.
//
// SDL has no child windows, so a control is a rectangle with its own sink:
// invalidated areas are collected per control and painted from the control's
// back buffer onto the window surface when the event queue is empty (or at
// UpdateNow). Window timers run on the one thread: the loop waits for events
// until the next timer deadline.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "runtime/platform/platform.h"

namespace corvelin::platform {

struct NativeControl {
  NativeWindow* parent = nullptr;
  ControlSink* sink = nullptr;
  Rect rect;
  uint32_t background = 0xFFFFFFFF;
  bool visible = false;
  bool disabled = false;
  bool focus_on_click = false;
  std::vector<Rect> dirty;  // control coordinates, clipped to the visible part
  bool timer_on = false;
  uint32_t timer_period = 0;
  uint64_t timer_due = 0;
};

struct NativeWindow {
  SDL_Window* sdl = nullptr;
  uint32_t id = 0;
  WindowSink* sink = nullptr;
  Rect client;   // screen coordinates of the client area, as last applied
  Insets frame;  // the frame that `client` was placed inside
  bool shown = false;
  bool repaint_all = true;  // the surface needs the background and every control
  NativeControl* focus = nullptr;
  std::vector<std::unique_ptr<NativeControl>> controls;
};

namespace sdl {

class SdlBackend final : public Backend {
 public:
  SdlBackend();
  ~SdlBackend() override;
  SdlBackend(const SdlBackend&) = delete;
  SdlBackend& operator=(const SdlBackend&) = delete;

  const char* Name() const override { return "sdl"; }
  Size ScreenSize() override;
  uint32_t TickCount() override;

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

 private:
  NativeWindow* FindWindow(uint32_t sdl_id) const;
  NativeWindow* KeyboardWindow(uint32_t sdl_id) const;
  bool IsAlive(const NativeControl* c) const;
  void SetIcon(SDL_Window* window);
  void Dispatch(const SDL_Event& e);
  void OnWindowEvent(const SDL_WindowEvent& e);
  // Keeps the outer rectangle where the program put it when the window
  // manager's frame turns out other than the one the client was placed in.
  void FollowFrames();
  void FireDueTimers();
  // Milliseconds until the next timer is due, or -1 when no timer runs.
  int MsToNextTimer() const;
  // Sleeps until the display has news or `timeout_ms` (-1: no limit) passed.
  void Wait(int timeout_ms);
  void PaintWindow(NativeWindow* w, NativeControl* only);
  void PaintAll();

  bool video_ = false;
  int event_fd_ = -1;  // the display connection, when it can be waited on
  // Whether the connection may hold input that SDL has not read yet; false
  // only after a wait on it found nothing.
  bool may_have_input_ = true;
  bool quit_ = false;
  int quit_code_ = 0;
  std::vector<std::unique_ptr<NativeWindow>> windows_;
};

}  // namespace sdl
}  // namespace corvelin::platform
