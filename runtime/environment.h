// The run-time environment: builds windows from their definitions, keeps the
// live windows and controls, reads and writes properties, delivers events to
// bound handlers, runs the message loop and the end processing.
//
// The program's own code uses the free functions at the bottom, which act on
// the current environment; tests make environments of their own.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "definition/definition.h"
#include "runtime/platform/platform.h"

namespace corvelin {

using def::ControlNumber;
using def::WindowNumber;

// A handler receives its event's arguments, first argument first. Program
// handlers return nothing; a returned value reaches the raiser (a close query
// that returns 0 refuses the close).
using Handler = std::function<std::optional<int32_t>(std::span<const int32_t> args)>;

struct HandlerEntry {
  std::string name;
  Handler fn;
};

struct EventResult {
  bool handled = false;  // a bound handler ran
  std::optional<int32_t> value;
};

class Environment;
class LiveWindow;
class Trace;
class CartoonBox;
class CartoonObject;

// A live control: what the environment builds for a component of a window.
class Control {
 public:
  virtual ~Control() = default;
  // Creates whatever the control needs, hidden. Called while the window is
  // built, from the last stored control to the first.
  virtual void Create() = 0;
  virtual void Show() {}
  virtual void Destroy() {}
  // Geometry in the parent's client coordinates, once created.
  virtual std::optional<platform::Rect> NativeRect() { return std::nullopt; }
  virtual void SetNativeRect(const platform::Rect&) {}
  virtual void OnProgramEnd() {}
};

// One component of a live window: a working copy of its stored values.
struct LiveComponent {
  const def::ComponentDef* def = nullptr;
  int32_t left = 0, top = 0, width = 0, height = 0;
  bool visible = false;
  bool disabled = false;
  int32_t mouse_pointer = 0;
  std::vector<def::Value> own;  // index 8 upwards
  std::unique_ptr<Control> control;
};

class LiveWindow final : public platform::WindowSink {
 public:
  LiveWindow(Environment& env, const def::WindowDef& def);
  ~LiveWindow();

  WindowNumber number() const { return def_.number; }
  const def::WindowDef& def() const { return def_; }
  bool alive() const { return alive_; }
  platform::NativeWindow* native() const { return native_; }
  Environment& env() { return env_; }

  LiveComponent* Find(ControlNumber number);
  LiveComponent& self() { return components_.front(); }
  std::vector<LiveComponent>& components() { return components_; }

  // platform::WindowSink
  void OnMoved() override;
  void OnResized() override;
  void OnCloseRequest() override;
  void OnEscape() override;
  void OnDestroyed() override;

 private:
  friend class Environment;
  Environment& env_;
  const def::WindowDef& def_;
  std::vector<LiveComponent> components_;
  platform::NativeWindow* native_ = nullptr;
  bool alive_ = false;
  bool closing_ = false;
  bool destroy_raised_ = false;
};

class Environment {
 public:
  Environment(platform::Backend& backend, std::span<const def::WindowDef* const> windows,
              std::vector<HandlerEntry> handlers);
  ~Environment();
  Environment(const Environment&) = delete;
  Environment& operator=(const Environment&) = delete;

  // The environment the program's operations act on.
  static Environment* Current();
  void MakeCurrent();

  void SetTrace(Trace* trace) { trace_ = trace; }
  Trace* trace() const { return trace_; }
  platform::Backend& backend() { return backend_; }

  // --- operations ---
  void Init();
  void RegisterEndRoutine(void (*routine)());
  void LoadWindow(WindowNumber number);
  void RunMessageLoop();
  int32_t GetScreenWidth();
  int32_t ReadProperty(WindowNumber w, ControlNumber c, int32_t index, int32_t sub);
  void WriteProperty(WindowNumber w, ControlNumber c, int32_t index, int32_t sub, int32_t value);
  EventResult RaiseEvent(WindowNumber w, ControlNumber c, int32_t event,
                         std::span<const int32_t> args);

  // End processing after the start routine returned; gives the exit code.
  int EndProcessing();

  // A damaged definition or a window or control that cannot be built or
  // found: tells the user and ends the process with exit code -1, without
  // running the end routines.
  [[noreturn]] void Fatal(const std::string& message);

  // --- for components ---
  LiveWindow* Loaded(WindowNumber number);
  LiveWindow& LoadedOrFatal(WindowNumber number);
  LiveComponent& ComponentOrFatal(WindowNumber w, ControlNumber c);
  CartoonBox& CanvasOrFatal(WindowNumber w, ControlNumber c);
  CartoonObject& TemplateOrFatal(WindowNumber w, ControlNumber c);
  bool delivery_held() const { return held_ || ending_; }
  bool loop_running() const { return loop_running_; }
  // Virtual-time origin for traces: ms since the environment was made.
  uint32_t Elapsed();

  // Called by LiveWindow.
  void RequestClose(LiveWindow& window);
  void WindowGone(LiveWindow& window);

  std::string Describe(WindowNumber w, ControlNumber c);

 private:
  void Validate();
  // The component that owns property `index`, or a fatal error.
  LiveComponent& PropertyOwnerOrFatal(LiveWindow& window, ControlNumber c, int32_t index);
  void BuildWindow(LiveWindow& window);
  std::unique_ptr<Control> MakeControl(LiveWindow& window, LiveComponent& component);

  platform::Backend& backend_;
  std::span<const def::WindowDef* const> definitions_;
  std::vector<HandlerEntry> handler_table_;
  // (window, control, event) -> handler
  std::map<std::tuple<WindowNumber, ControlNumber, int32_t>, const Handler*> bindings_;
  std::vector<void (*)()> end_routines_;
  std::map<WindowNumber, std::unique_ptr<LiveWindow>> loaded_;
  // Windows that were destroyed stay here until the environment ends, so that
  // a control whose handler closed its window can still look at itself.
  std::vector<std::unique_ptr<LiveWindow>> closed_;
  Trace* trace_ = nullptr;
  uint32_t start_tick_ = 0;
  bool initialised_ = false;
  bool held_ = false;
  bool ending_ = false;
  bool loop_running_ = false;
  int quit_code_ = 0;
};

// --- the operations as the program's code calls them ---
void InitEnvironment();
void RegisterEndRoutine(void (*routine)());
void LoadWindow(WindowNumber number);
void RunMessageLoop();
int32_t GetScreenWidth();
int32_t ReadProperty(WindowNumber w, ControlNumber c, int32_t index, int32_t sub);
void WriteProperty(WindowNumber w, ControlNumber c, int32_t index, int32_t sub, int32_t value);
EventResult RaiseEvent(WindowNumber w, ControlNumber c, int32_t event,
                       std::span<const int32_t> args);

}  // namespace corvelin
