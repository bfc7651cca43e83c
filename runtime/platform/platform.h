// The one interface between the portable run time and a windowing system.
//
// A backend creates native top-level windows and child controls, delivers
// input, timers and paint requests to the core through the two sink
// interfaces, and answers a handful of system questions (screen size, the
// millisecond tick count, text rasterisation, GBK conversion). Everything
// else -- window definitions, properties, event dispatch, the animation
// canvas -- lives in the core and never sees a platform header.
//
// Every call happens on the one user-interface thread. Calls that change a
// window's geometry are synchronous: the sink hears about the move or resize
// before the call returns, as a Win32 SetWindowPos would deliver
// WM_WINDOWPOSCHANGED.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvelin::platform {

struct Size {
  int32_t width = 0;
  int32_t height = 0;
  friend bool operator==(const Size&, const Size&) = default;
};

// A rectangle as position plus size. For top-level windows it is the outer
// rectangle (frame and caption included) in screen coordinates; for controls
// it is in the client coordinates of the parent window.
struct Rect {
  int32_t x = 0;
  int32_t y = 0;
  int32_t width = 0;
  int32_t height = 0;
  friend bool operator==(const Rect&, const Rect&) = default;
};

// Thickness of a window's non-client frame on each side.
struct Insets {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
  friend bool operator==(const Insets&, const Insets&) = default;
};

// Read-only view of 32-bit pixels in 0xAARRGGBB layout (alpha 0 = unpainted).
// Rows are `stride` pixels apart.
struct PixelView {
  const uint32_t* data = nullptr;
  int32_t width = 0;
  int32_t height = 0;
  int32_t stride = 0;
};

// Opaque native handles; each backend defines the structs.
struct NativeWindow;
struct NativeControl;

// What the core hears from a top-level window.
class WindowSink {
 public:
  virtual void OnMoved() = 0;
  virtual void OnResized() = 0;
  // Close button, system menu Close, Alt+F4 or a window-manager close.
  virtual void OnCloseRequest() = 0;
  // Esc pressed while the window or any of its controls has the focus.
  virtual void OnEscape() = 0;
  // The native window is gone (after DestroyWindow, or destroyed from outside).
  virtual void OnDestroyed() = 0;

 protected:
  ~WindowSink() = default;
};

// What the core hears from a child control.
class ControlSink {
 public:
  virtual void OnTimer() = 0;
  // Bring `area` (client coordinates of the control) of the control's back
  // buffer up to date and return the whole buffer; the backend copies `area`
  // from it to the screen.
  virtual PixelView Paint(const Rect& area) = 0;

 protected:
  ~ControlSink() = default;
};

struct WindowParams {
  std::string_view caption_gbk;
  Rect outer;  // screen coordinates, frame included
  bool system_menu = true;
  bool minimize_box = true;
  bool maximize_box = false;
  bool resizable = false;
  bool topmost = false;
  bool in_taskbar = true;
  bool program_icon = true;  // "DEFAULT_ICON"
};

struct ControlParams {
  Rect rect;                         // client coordinates of the parent
  uint32_t background = 0xFFFFFFFF;  // 0xAARRGGBB, shown until the first paint
  bool tab_stop = false;
  bool disabled = false;
  bool focus_on_click = false;
};

// A stored 60-byte Windows LOGFONTA record, kept as the fields a rasteriser
// needs. `height` < 0 is a character height in pixels, > 0 a cell height.
struct FontSpec {
  int32_t height = 0;
  int32_t weight = 400;
  bool italic = false;
  std::string face;  // GBK bytes, may be empty
};

// One line of text rasterised without anti-aliasing: `bits` holds one byte per
// pixel, 1 where a glyph covers the pixel. `height` is the font's line height
// even for an empty line; `width` may be 0.
struct LineBitmap {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint8_t> bits;
};

class Backend {
 public:
  virtual ~Backend() = default;
  virtual const char* Name() const = 0;

  // --- system ---
  virtual Size ScreenSize() = 0;
  // Milliseconds since some fixed moment; wraps like GetTickCount.
  virtual uint32_t TickCount() = 0;

  // --- top-level windows ---
  // Created hidden at params.outer (the system may grant another size).
  virtual NativeWindow* CreateTopLevel(const WindowParams& params, WindowSink* sink) = 0;
  virtual Rect WindowRect(NativeWindow* w) = 0;  // outer, screen coordinates
  virtual Insets WindowFrame(NativeWindow* w) = 0;
  // Moves and sizes without activating or changing the z-order; the sink hears
  // OnMoved / OnResized before this returns.
  virtual void SetWindowRect(NativeWindow* w, const Rect& outer) = 0;
  virtual void ShowWindow(NativeWindow* w) = 0;  // normal state, activated
  virtual void RestoreAndActivate(NativeWindow* w) = 0;
  // Destroys the window and its controls; the sink hears OnDestroyed.
  virtual void DestroyWindow(NativeWindow* w) = 0;

  // --- child controls ---
  virtual NativeControl* CreateControl(NativeWindow* parent, const ControlParams& params,
                                       ControlSink* sink) = 0;  // created hidden
  virtual Rect ControlRect(NativeControl* c) = 0;
  virtual void SetControlRect(NativeControl* c, const Rect& rect) = 0;
  virtual void ShowControl(NativeControl* c) = 0;  // without activation
  // A window timer on the control: OnTimer about every `period_ms`, never more
  // often than the system's timer floor.
  virtual void StartTimer(NativeControl* c, uint32_t period_ms) = 0;
  virtual void StopTimer(NativeControl* c) = 0;
  // Marks an area (control client coordinates) for the next paint.
  virtual void Invalidate(NativeControl* c, const Rect& area) = 0;
  // Paints the invalidated areas of the control at once.
  virtual void UpdateNow(NativeControl* c) = 0;

  // --- message loop ---
  // Dispatches until PostQuit; returns the quit code.
  virtual int RunMessageLoop() = 0;
  virtual void PostQuit(int code) = 0;

  // --- text ---
  virtual std::string GbkToUtf8(std::string_view gbk) = 0;
  // Rasterises one line (GBK bytes, no line feeds) in `font`, or in the
  // system's default UI font when `font` is null. nullopt when no font can be
  // found at all.
  virtual std::optional<LineBitmap> RasteriseLine(std::string_view gbk, const FontSpec* font) = 0;

  // --- errors ---
  // Tells the user about a fatal run-time error (stderr, a message box...).
  virtual void ShowFatalError(std::string_view utf8_message) = 0;
};

}  // namespace corvelin::platform
