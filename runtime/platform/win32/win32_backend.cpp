// Win32 backend. Every window and control carries a pointer to its record in
// GWLP_USERDATA; the records live in the backend's state until the window's
// WM_NCDESTROY. Sinks are never called for a window that is still inside
// CreateWindowExW, and never after its WM_DESTROY.
#include "runtime/platform/win32/win32_backend.h"

#include <windows.h>

#include <algorithm>
#include <vector>

#include "runtime/platform/host_text.h"
#include "runtime/platform/native.h"
#include "runtime/platform/win32/win32_text.h"

namespace corvelin::platform {

struct NativeWindow {
  HWND hwnd = nullptr;
  WindowSink* sink = nullptr;
  bool notify = false;  // false while being created and after WM_DESTROY
};

struct NativeControl {
  HWND hwnd = nullptr;
  ControlSink* sink = nullptr;
  NativeWindow* parent = nullptr;
  HBRUSH background = nullptr;
  bool focus_on_click = false;
  bool notify = false;
};

namespace win32 {
namespace {

constexpr UINT_PTR kTimerId = 1;
constexpr unsigned kGbkCodePage = 936;

// All of the backend's state.
struct State {
  HINSTANCE instance = nullptr;
  ATOM window_class = 0;
  ATOM control_class = 0;
  HICON big_icon = nullptr;
  HICON small_icon = nullptr;
  std::vector<std::unique_ptr<NativeWindow>> windows;
  std::vector<std::unique_ptr<NativeControl>> controls;
  int next_control_id = 100;
};

State* g_state = nullptr;  // the one live backend; windows find it in their procedures

RECT ToRECT(const Rect& r) {
  return RECT{r.x, r.y, r.x + r.width, r.y + r.height};
}
Rect FromRECT(const RECT& r) {
  return Rect{r.left, r.top, r.right - r.left, r.bottom - r.top};
}

template <typename T>
void Forget(std::vector<std::unique_ptr<T>>& list, const T* item) {
  std::erase_if(list, [item](const std::unique_ptr<T>& p) { return p.get() == item; });
}

void EscapePressed(HWND hwnd) {
  HWND top = GetAncestor(hwnd, GA_ROOT);
  auto* w = reinterpret_cast<NativeWindow*>(GetWindowLongPtrW(top, GWLP_USERDATA));
  if (w && w->notify) w->sink->OnEscape();
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
    auto* w = static_cast<NativeWindow*>(cs->lpCreateParams);
    w->hwnd = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(w));
    return DefWindowProcW(hwnd, msg, wp, lp);
  }
  auto* w = reinterpret_cast<NativeWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!w) return DefWindowProcW(hwnd, msg, wp, lp);
  switch (msg) {
    case WM_MOVE:
      if (w->notify) w->sink->OnMoved();
      return 0;
    case WM_SIZE:
      if (w->notify) w->sink->OnResized();
      return 0;
    case WM_KEYDOWN:
      if (wp == VK_ESCAPE) {
        EscapePressed(hwnd);
        return 0;
      }
      break;
    case WM_CLOSE:
      // The core decides whether and when the window goes.
      if (w->notify) w->sink->OnCloseRequest();
      return 0;
    case WM_DESTROY:
      if (w->notify) {
        w->notify = false;
        w->sink->OnDestroyed();
      }
      return 0;
    case WM_NCDESTROY:
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      if (g_state) Forget(g_state->windows, w);
      return DefWindowProcW(hwnd, msg, wp, lp);
    default:
      break;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

void PaintControl(NativeControl* c) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(c->hwnd, &ps);
  if (!dc) return;
  const RECT& r = ps.rcPaint;
  if (c->notify && r.right > r.left && r.bottom > r.top) {
    const PixelView view = c->sink->Paint(FromRECT(r));
    // Copy what the back buffer holds of the update rectangle.
    const LONG left = std::max<LONG>(r.left, 0);
    const LONG top = std::max<LONG>(r.top, 0);
    const LONG right = std::min<LONG>(r.right, view.width);
    const LONG bottom = std::min<LONG>(r.bottom, view.height);
    if (view.data && view.stride >= view.width && right > left && bottom > top) {
      BITMAPINFO bmi{};
      bmi.bmiHeader.biSize = sizeof bmi.bmiHeader;
      bmi.bmiHeader.biWidth = view.stride;
      bmi.bmiHeader.biHeight = -(bottom - top);  // just the rows of the area, top-down
      bmi.bmiHeader.biPlanes = 1;
      bmi.bmiHeader.biBitCount = 32;
      bmi.bmiHeader.biCompression = BI_RGB;
      const uint32_t* rows = view.data + static_cast<ptrdiff_t>(top) * view.stride;
      SetDIBitsToDevice(dc, left, top, static_cast<DWORD>(right - left),
                        static_cast<DWORD>(bottom - top), left, 0, 0,
                        static_cast<UINT>(bottom - top), rows, &bmi, DIB_RGB_COLORS);
    }
  }
  EndPaint(c->hwnd, &ps);
}

LRESULT CALLBACK ControlProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
    auto* c = static_cast<NativeControl*>(cs->lpCreateParams);
    c->hwnd = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(c));
    return DefWindowProcW(hwnd, msg, wp, lp);
  }
  auto* c = reinterpret_cast<NativeControl*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!c) return DefWindowProcW(hwnd, msg, wp, lp);
  switch (msg) {
    case WM_ERASEBKGND: {
      RECT client;
      GetClientRect(hwnd, &client);
      FillRect(reinterpret_cast<HDC>(wp), &client, c->background);
      return 1;
    }
    case WM_PAINT:
      PaintControl(c);
      return 0;
    case WM_TIMER:
      if (wp == kTimerId && c->notify) c->sink->OnTimer();
      return 0;
    case WM_LBUTTONDOWN:
      if (c->focus_on_click && GetFocus() != hwnd) SetFocus(hwnd);
      return 0;
    case WM_KEYDOWN:
      if (wp == VK_ESCAPE) {
        EscapePressed(hwnd);  // may destroy this control: touch nothing after it
        return 0;
      }
      break;
    case WM_DESTROY:
      c->notify = false;
      KillTimer(hwnd, kTimerId);
      return 0;
    case WM_NCDESTROY:
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      if (c->background) DeleteObject(c->background);
      if (g_state) Forget(g_state->controls, c);
      return DefWindowProcW(hwnd, msg, wp, lp);
    default:
      break;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

class Win32Backend final : public Backend {
 public:
  Win32Backend() {
    state_.instance = GetModuleHandleW(nullptr);

    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = state_.instance;
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kWindowClass;
    state_.window_class = RegisterClassExW(&wc);

    WNDCLASSEXW cc{};
    cc.cbSize = sizeof cc;
    cc.lpfnWndProc = ControlProc;
    cc.hInstance = state_.instance;
    cc.hCursor = wc.hCursor;
    cc.lpszClassName = kControlClass;
    state_.control_class = RegisterClassExW(&cc);

    g_state = &state_;
  }

  ~Win32Backend() override {
    // Windows still open go now, so that no procedure outlives the state.
    while (!state_.windows.empty()) {
      NativeWindow* w = state_.windows.back().get();
      w->notify = false;
      if (IsWindow(w->hwnd)) ::DestroyWindow(w->hwnd);  // forgets w in WM_NCDESTROY
      if (!state_.windows.empty() && state_.windows.back().get() == w) state_.windows.pop_back();
    }
    state_.controls.clear();
    if (state_.big_icon) DestroyIcon(state_.big_icon);
    if (state_.small_icon) DestroyIcon(state_.small_icon);
    if (state_.window_class) UnregisterClassW(kWindowClass, state_.instance);
    if (state_.control_class) UnregisterClassW(kControlClass, state_.instance);
    g_state = nullptr;
  }

  const char* Name() const override { return "win32"; }

  Size ScreenSize() override {
    return Size{GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  }
  uint32_t TickCount() override { return GetTickCount(); }

  NativeWindow* CreateTopLevel(const WindowParams& params, WindowSink* sink) override {
    if (!state_.window_class || !sink) return nullptr;
    DWORD style = WS_CAPTION | WS_CLIPCHILDREN;
    if (params.system_menu) style |= WS_SYSMENU;
    if (params.minimize_box) style |= WS_MINIMIZEBOX;
    if (params.maximize_box) style |= WS_MAXIMIZEBOX;
    if (params.resizable) style |= WS_THICKFRAME;
    DWORD ex_style = 0;
    if (params.topmost) ex_style |= WS_EX_TOPMOST;
    if (!params.in_taskbar) ex_style |= WS_EX_TOOLWINDOW;

    auto owned = std::make_unique<NativeWindow>();
    NativeWindow* w = owned.get();
    w->sink = sink;
    state_.windows.push_back(std::move(owned));

    const std::wstring caption = ToWide(params.caption_gbk, kGbkCodePage);
    const Rect& r = params.outer;
    HWND hwnd = CreateWindowExW(ex_style, kWindowClass, caption.c_str(), style, r.x, r.y, r.width,
                                r.height, nullptr, nullptr, state_.instance, w);
    if (!hwnd) {
      Forget(state_.windows, w);  // no-op if WM_NCDESTROY already did it
      return nullptr;
    }
    // The system may have granted another size: the window gets exactly the
    // asked one, at the same place.
    if (WindowRect(w) != r) {
      SetWindowPos(hwnd, nullptr, r.x, r.y, r.width, r.height,
                   SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
    }
    if (params.program_icon) {
      if (!state_.big_icon) {
        state_.big_icon = static_cast<HICON>(
            LoadImageW(state_.instance, L"DEFAULT_ICON", IMAGE_ICON, 32, 32, LR_DEFAULTCOLOR));
      }
      if (!state_.small_icon) {
        state_.small_icon = static_cast<HICON>(
            LoadImageW(state_.instance, L"DEFAULT_ICON", IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR));
      }
      if (state_.big_icon) {
        SendMessageW(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(state_.big_icon));
      }
      if (state_.small_icon) {
        SendMessageW(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(state_.small_icon));
      }
    }
    w->notify = true;
    return w;
  }

  Rect WindowRect(NativeWindow* w) override {
    RECT r{};
    if (w && w->hwnd) GetWindowRect(w->hwnd, &r);
    return FromRECT(r);
  }

  Insets WindowFrame(NativeWindow* w) override {
    if (!w || !w->hwnd) return {};
    RECT outer{};
    RECT client{};
    GetWindowRect(w->hwnd, &outer);
    GetClientRect(w->hwnd, &client);
    POINT origin{0, 0};
    ClientToScreen(w->hwnd, &origin);
    return Insets{origin.x - outer.left, origin.y - outer.top,
                  outer.right - (origin.x + client.right),
                  outer.bottom - (origin.y + client.bottom)};
  }

  void SetWindowRect(NativeWindow* w, const Rect& outer) override {
    if (!w || !w->hwnd) return;
    SetWindowPos(w->hwnd, nullptr, outer.x, outer.y, outer.width, outer.height,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
  }

  void ShowWindow(NativeWindow* w) override {
    if (!w || !w->hwnd) return;
    ::ShowWindow(w->hwnd, SW_SHOWNORMAL);
    SetForegroundWindow(w->hwnd);
    UpdateWindow(w->hwnd);
  }

  void RestoreAndActivate(NativeWindow* w) override {
    if (!w || !w->hwnd) return;
    if (IsIconic(w->hwnd)) ::ShowWindow(w->hwnd, SW_RESTORE);
    SetForegroundWindow(w->hwnd);
  }

  void DestroyWindow(NativeWindow* w) override {
    if (w && w->hwnd) ::DestroyWindow(w->hwnd);  // frees w on the way
  }

  NativeControl* CreateControl(NativeWindow* parent, const ControlParams& params,
                               ControlSink* sink) override {
    if (!parent || !parent->hwnd || !sink || !state_.control_class) return nullptr;
    DWORD style = WS_CHILD | WS_CLIPSIBLINGS;
    if (params.tab_stop) style |= WS_TABSTOP;
    if (params.disabled) style |= WS_DISABLED;

    auto owned = std::make_unique<NativeControl>();
    NativeControl* c = owned.get();
    c->sink = sink;
    c->parent = parent;
    c->focus_on_click = params.focus_on_click;
    const uint32_t argb = params.background;
    c->background = CreateSolidBrush(RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF));
    state_.controls.push_back(std::move(owned));

    const Rect& r = params.rect;
    const auto id = static_cast<INT_PTR>(state_.next_control_id++);
    HWND hwnd = CreateWindowExW(0, kControlClass, L"", style, r.x, r.y, r.width, r.height,
                                parent->hwnd, reinterpret_cast<HMENU>(id), state_.instance, c);
    if (!hwnd) {
      // WM_NCDESTROY has already released the record if creation got that far.
      const bool still_ours = std::any_of(state_.controls.begin(), state_.controls.end(),
                                          [c](const auto& p) { return p.get() == c; });
      if (still_ours) {
        if (c->background) DeleteObject(c->background);
        Forget(state_.controls, c);
      }
      return nullptr;
    }
    c->notify = true;
    return c;
  }

  Rect ControlRect(NativeControl* c) override {
    if (!c || !c->hwnd) return {};
    RECT r{};
    GetWindowRect(c->hwnd, &r);
    MapWindowPoints(HWND_DESKTOP, GetParent(c->hwnd), reinterpret_cast<POINT*>(&r), 2);
    return FromRECT(r);
  }

  void SetControlRect(NativeControl* c, const Rect& rect) override {
    if (!c || !c->hwnd) return;
    SetWindowPos(c->hwnd, nullptr, rect.x, rect.y, rect.width, rect.height,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
  }

  void ShowControl(NativeControl* c) override {
    if (c && c->hwnd) ::ShowWindow(c->hwnd, SW_SHOWNA);
  }

  void StartTimer(NativeControl* c, uint32_t period_ms) override {
    if (c && c->hwnd) SetTimer(c->hwnd, kTimerId, period_ms, nullptr);
  }

  void StopTimer(NativeControl* c) override {
    if (c && c->hwnd) KillTimer(c->hwnd, kTimerId);
  }

  void Invalidate(NativeControl* c, const Rect& area) override {
    if (!c || !c->hwnd) return;
    const RECT r = ToRECT(area);
    InvalidateRect(c->hwnd, &r, FALSE);
  }

  void UpdateNow(NativeControl* c) override {
    if (c && c->hwnd) UpdateWindow(c->hwnd);
  }

  int RunMessageLoop() override {
    MSG msg{};
    for (;;) {
      const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
      if (got == 0) return static_cast<int>(msg.wParam);
      if (got == -1) return -1;
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }

  void PostQuit(int code) override { PostQuitMessage(code); }

  std::string GbkToUtf8(std::string_view gbk) override { return host::GbkToUtf8(gbk); }

  std::optional<LineBitmap> RasteriseLine(std::string_view gbk, const FontSpec* font) override {
    return host::RasteriseLine(gbk, font);
  }

  void ShowFatalError(std::string_view utf8_message) override {
    std::wstring text = L"Corvelin cannot continue because of an internal error:\n\n";
    text += ToWide(utf8_message, CP_UTF8);
    text += L"\n\nThe program will now close.";
    MessageBoxW(nullptr, text.c_str(), L"Corvelin", MB_OK | MB_ICONERROR | MB_TASKMODAL);
  }

 private:
  State state_;
};

}  // namespace

std::unique_ptr<Backend> CreateBackend() {
  return std::make_unique<Win32Backend>();
}

}  // namespace win32

std::unique_ptr<Backend> CreateNativeBackend() {
  return win32::CreateBackend();
}

}  // namespace corvelin::platform
