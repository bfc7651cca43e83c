#include "runtime/environment.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "definition/kinds.h"
#include "runtime/cartoon_box.h"
#include "runtime/cartoon_object.h"
#include "runtime/trace.h"

namespace corvelin {
namespace {

Environment* g_current = nullptr;

std::string Hex(uint32_t v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%08X", v);
  return buf;
}

int32_t OwnCount(const def::ComponentDef& c) {
  return static_cast<int32_t>(c.kind->own_properties.size());
}

bool KindHasEvent(const def::KindDef& kind, int32_t index) {
  return std::any_of(kind.events.begin(), kind.events.end(),
                     [&](const def::EventDef& e) { return e.index == index; });
}

}  // namespace

// ---------------------------------------------------------------------------
// LiveWindow

LiveWindow::LiveWindow(Environment& env, const def::WindowDef& def) : env_(env), def_(def) {
  components_.reserve(def.components.size());
  for (const def::ComponentDef& c : def.components) {
    LiveComponent live;
    live.def = &c;
    live.left = c.left;
    live.top = c.top;
    live.width = c.width;
    live.height = c.height;
    live.visible = c.visible;
    live.disabled = c.disabled;
    live.mouse_pointer = c.mouse_pointer;
    const auto& props = c.kind->own_properties;
    live.own.reserve(props.size());
    for (size_t i = 0; i < props.size(); ++i) {
      const bool stored = i < c.own_values.size();
      live.own.push_back(stored ? c.own_values[i] : props[i].default_value);
    }
    components_.push_back(std::move(live));
  }
}

LiveWindow::~LiveWindow() = default;

LiveComponent* LiveWindow::Find(ControlNumber number) {
  for (LiveComponent& c : components_) {
    if (c.def->number == number) return &c;
  }
  return nullptr;
}

void LiveWindow::OnMoved() {
  env_.RaiseEvent(def_.number, self().def->number, def::window_event::kMoved, {});
}

void LiveWindow::OnResized() {
  env_.RaiseEvent(def_.number, self().def->number, def::window_event::kResized, {});
}

void LiveWindow::OnCloseRequest() {
  env_.RequestClose(*this);
}

void LiveWindow::OnEscape() {
  if (self().own[def::window_prop::kEscCloses - def::kFirstOwnProperty].integer != 0) {
    env_.RequestClose(*this);
  }
}

void LiveWindow::OnDestroyed() {
  env_.WindowGone(*this);
}

// ---------------------------------------------------------------------------
// Environment

Environment::Environment(platform::Backend& backend, std::span<const def::WindowDef* const> windows,
                         std::vector<HandlerEntry> handlers)
    : backend_(backend), definitions_(windows), handler_table_(std::move(handlers)) {
  start_tick_ = backend_.TickCount();
}

Environment::~Environment() {
  for (auto& [number, window] : loaded_) {
    for (LiveComponent& c : window->components_) {
      if (c.control) c.control->Destroy();
    }
    if (window->alive_ && window->native_ != nullptr) {
      window->alive_ = false;
      backend_.DestroyWindow(window->native_);
    }
  }
  loaded_.clear();
  closed_.clear();
  if (g_current == this) g_current = nullptr;
}

Environment* Environment::Current() {
  return g_current;
}
void Environment::MakeCurrent() {
  g_current = this;
}

uint32_t Environment::Elapsed() {
  return backend_.TickCount() - start_tick_;
}

std::string Environment::Describe(WindowNumber w, ControlNumber c) {
  std::string s = "window " + Hex(w);
  if (c != 0) s += ", control " + Hex(c);
  if (const def::WindowDef* wd = def::FindWindow(definitions_, w)) {
    for (const def::ComponentDef& comp : wd->components) {
      if (comp.number == c && !comp.name_gbk.empty()) {
        s += " (" + backend_.GbkToUtf8(comp.name_gbk) + ")";
      }
    }
  }
  return s;
}

void Environment::Fatal(const std::string& message) {
  const std::string text = "Corvelin cannot continue: " + message +
                           ". The program's window definition is damaged; reinstall the program.";
  backend_.ShowFatalError(text);
  if (trace_ != nullptr) trace_->Exit(Elapsed(), -1);
  std::fflush(nullptr);
  std::_Exit(-1);
}

void Environment::Validate() {
  for (const def::WindowDef* w : definitions_) {
    if (w == nullptr || w->components.empty() || w->components.front().kind != &def::kWindowKind) {
      Fatal("window " + Hex(w ? w->number : 0) + " has no window component of its own");
    }
    for (size_t i = 0; i < w->components.size(); ++i) {
      const def::ComponentDef& c = w->components[i];
      if (c.kind == nullptr || (i > 0 && c.kind == &def::kWindowKind)) {
        Fatal(Describe(w->number, c.number) + " has no usable kind");
      }
      if (c.own_values.size() > c.kind->own_properties.size()) {
        Fatal(Describe(w->number, c.number) + " stores more properties than its kind has");
      }
      for (const def::Binding& b : c.bindings) {
        if (!KindHasEvent(*c.kind, b.event_index)) {
          Fatal(Describe(w->number, c.number) + ": event " + std::to_string(b.event_index) +
                " does not exist");
        }
        auto it = std::find_if(handler_table_.begin(), handler_table_.end(),
                               [&](const HandlerEntry& h) { return h.name == b.handler; });
        if (it == handler_table_.end() || !it->fn) {
          Fatal(Describe(w->number, c.number) + ": event " + std::to_string(b.event_index) +
                " is bound to handler '" + std::string(b.handler) + "', which does not exist");
        }
        bindings_[{w->number, c.number, b.event_index}] = &it->fn;
      }
    }
  }
}

void Environment::Init() {
  if (initialised_) return;
  Validate();
  initialised_ = true;
}

void Environment::RegisterEndRoutine(void (*routine)()) {
  if (routine == nullptr) return;
  if (std::find(end_routines_.begin(), end_routines_.end(), routine) == end_routines_.end()) {
    end_routines_.push_back(routine);
  }
}

LiveWindow* Environment::Loaded(WindowNumber number) {
  auto it = loaded_.find(number);
  return it == loaded_.end() ? nullptr : it->second.get();
}

LiveWindow& Environment::LoadedOrFatal(WindowNumber number) {
  LiveWindow* w = Loaded(number);
  if (w == nullptr) Fatal(Describe(number, 0) + " is not loaded");
  return *w;
}

LiveComponent& Environment::ComponentOrFatal(WindowNumber w, ControlNumber c) {
  LiveComponent* comp = LoadedOrFatal(w).Find(c);
  if (comp == nullptr) Fatal(Describe(w, c) + " does not exist");
  return *comp;
}

CartoonBox& Environment::CanvasOrFatal(WindowNumber w, ControlNumber c) {
  LiveComponent& comp = ComponentOrFatal(w, c);
  auto* canvas = dynamic_cast<CartoonBox*>(comp.control.get());
  if (canvas == nullptr) Fatal(Describe(w, c) + " is not an animation canvas");
  return *canvas;
}

CartoonObject& Environment::TemplateOrFatal(WindowNumber w, ControlNumber c) {
  LiveComponent& comp = ComponentOrFatal(w, c);
  auto* object = dynamic_cast<CartoonObject*>(comp.control.get());
  if (object == nullptr) Fatal(Describe(w, c) + " is not a sprite template");
  return *object;
}

std::unique_ptr<Control> Environment::MakeControl(LiveWindow& window, LiveComponent& component) {
  if (component.def->kind == &def::kCartoonBoxKind) {
    return std::make_unique<CartoonBox>(window, component);
  }
  if (component.def->kind == &def::kCartoonObjectKind) {
    return std::make_unique<CartoonObject>(window, component);
  }
  Fatal(Describe(window.number(), component.def->number) + " cannot be built: unknown kind '" +
        std::string(component.def->kind->identifier) + "'");
}

void Environment::BuildWindow(LiveWindow& window) {
  LiveComponent& self = window.self();
  const auto own = [&](int32_t index) {
    return self.own[static_cast<size_t>(index - def::kFirstOwnProperty)];
  };

  // Created hidden at the stored outer size; centred on the primary screen
  // for start position 1. C++ division truncates toward zero, as required
  // for screens narrower than the window.
  platform::Rect outer{self.left, self.top, self.width, self.height};
  if (own(def::window_prop::kStartPosition).integer == 1) {
    const platform::Size screen = backend_.ScreenSize();
    outer.x = (screen.width - self.width) / 2;
    outer.y = (screen.height - self.height) / 2;
  }
  platform::WindowParams params;
  params.caption_gbk = own(def::window_prop::kCaption).bytes;
  params.outer = outer;
  params.system_menu = own(def::window_prop::kControlBox).integer != 0;
  params.minimize_box = own(def::window_prop::kMinButton).integer != 0;
  params.maximize_box = own(def::window_prop::kMaxButton).integer != 0;
  params.resizable = own(def::window_prop::kBorderStyle).integer == 3;  // 3: sizable frame
  params.topmost = own(def::window_prop::kTopmost).integer != 0;
  params.in_taskbar = own(def::window_prop::kShowInTaskbar).integer != 0;
  params.program_icon = own(def::window_prop::kIcon).bytes.empty();
  window.native_ = backend_.CreateTopLevel(params, &window);
  if (window.native_ == nullptr) {
    Fatal(Describe(window.number(), 0) + " cannot be created by the system");
  }
  window.alive_ = true;
  const platform::Rect granted = backend_.WindowRect(window.native_);
  if (granted.width != outer.width || granted.height != outer.height) {
    backend_.SetWindowRect(window.native_, {granted.x, granted.y, outer.width, outer.height});
  }

  // Controls from the last stored to the first, hidden.
  auto& comps = window.components_;
  for (size_t i = comps.size(); i-- > 1;) {
    comps[i].control = MakeControl(window, comps[i]);
    comps[i].control->Create();
  }
  for (size_t i = comps.size(); i-- > 1;) {
    if (comps[i].visible && comps[i].def->kind != &def::kCartoonObjectKind) {
      comps[i].control->Show();
    }
  }
}

void Environment::LoadWindow(WindowNumber number) {
  if (LiveWindow* existing = Loaded(number)) {
    if (existing->alive_) backend_.RestoreAndActivate(existing->native_);
    return;
  }
  const def::WindowDef* wd = def::FindWindow(definitions_, number);
  if (wd == nullptr) Fatal(Describe(number, 0) + " has no definition");
  if (!initialised_) Init();

  auto owned = std::make_unique<LiveWindow>(*this, *wd);
  LiveWindow& window = *owned;
  loaded_[number] = std::move(owned);

  held_ = true;
  BuildWindow(window);
  held_ = false;

  const ControlNumber self = window.self().def->number;
  for (int32_t event :
       {def::window_event::kCreated, def::window_event::kMoved, def::window_event::kResized}) {
    if (!window.alive_) return;
    RaiseEvent(number, self, event, {});
  }
  if (window.alive_ && window.self().visible) {
    backend_.ShowWindow(window.native_);
    if (trace_ != nullptr) trace_->Show(Elapsed());
  }
}

void Environment::RunMessageLoop() {
  const bool any = std::any_of(loaded_.begin(), loaded_.end(),
                               [](const auto& entry) { return entry.second->alive_; });
  if (!any) return;
  loop_running_ = true;
  quit_code_ = backend_.RunMessageLoop();
  loop_running_ = false;
}

int32_t Environment::GetScreenWidth() {
  return backend_.ScreenSize().width;
}

LiveComponent& Environment::PropertyOwnerOrFatal(LiveWindow& window, ControlNumber c,
                                                 int32_t index) {
  LiveComponent* comp = window.Find(c);
  if (comp == nullptr) Fatal(Describe(window.number(), c) + " does not exist");
  const int32_t count = def::kFirstOwnProperty + OwnCount(*comp->def);
  if (index < 0 || index >= count) {
    Fatal(Describe(window.number(), c) + " has no property " + std::to_string(index));
  }
  return *comp;
}

int32_t Environment::ReadProperty(WindowNumber w, ControlNumber c, int32_t index, int32_t) {
  LiveWindow& window = LoadedOrFatal(w);
  LiveComponent* comp = &PropertyOwnerOrFatal(window, c, index);
  int32_t value = 0;
  if (index <= def::kPropHeight) {
    std::optional<platform::Rect> r;
    if (comp == &window.self()) {
      if (window.alive_) r = backend_.WindowRect(window.native_);
    } else if (comp->control) {
      r = comp->control->NativeRect();
    }
    const platform::Rect stored{comp->left, comp->top, comp->width, comp->height};
    const platform::Rect& g = r ? *r : stored;
    const int32_t fields[] = {g.x, g.y, g.width, g.height};
    value = fields[index];
  } else if (index == def::kPropVisible) {
    value = comp->visible ? 1 : 0;
  } else if (index == def::kPropDisable) {
    value = comp->disabled ? 1 : 0;
  } else if (index == def::kPropMousePointer) {
    value = comp->mouse_pointer;
  } else if (index >= def::kFirstOwnProperty) {
    value = comp->own[static_cast<size_t>(index - def::kFirstOwnProperty)].integer;
  }
  if (trace_ != nullptr) trace_->Read(Elapsed(), c, index, value);
  return value;
}

void Environment::WriteProperty(WindowNumber w, ControlNumber c, int32_t index, int32_t,
                                int32_t value) {
  LiveWindow& window = LoadedOrFatal(w);
  LiveComponent* comp = &PropertyOwnerOrFatal(window, c, index);
  if (trace_ != nullptr) trace_->Write(Elapsed(), c, index, value);

  if (index <= def::kPropHeight) {
    int32_t* fields[] = {&comp->left, &comp->top, &comp->width, &comp->height};
    *fields[index] = value;
    if (comp == &window.self()) {
      if (!window.alive_) return;
      platform::Rect r = backend_.WindowRect(window.native_);
      int32_t* live[] = {&r.x, &r.y, &r.width, &r.height};
      *live[index] = value;
      backend_.SetWindowRect(window.native_, r);
    } else if (comp->control) {
      if (std::optional<platform::Rect> current = comp->control->NativeRect()) {
        platform::Rect r = *current;
        int32_t* live[] = {&r.x, &r.y, &r.width, &r.height};
        *live[index] = value;
        comp->control->SetNativeRect(r);
      }
    }
    return;
  }
  if (index == def::kPropVisible) {
    comp->visible = value != 0;
  } else if (index == def::kPropDisable) {
    comp->disabled = value != 0;
  } else if (index == def::kPropMousePointer) {
    comp->mouse_pointer = value;
  } else if (index >= def::kFirstOwnProperty) {
    def::Value& v = comp->own[static_cast<size_t>(index - def::kFirstOwnProperty)];
    v.integer = value;
  }
}

EventResult Environment::RaiseEvent(WindowNumber w, ControlNumber c, int32_t event,
                                    std::span<const int32_t> args) {
  if (held_ || ending_) return {};
  auto it = bindings_.find({w, c, event});
  const Handler* handler = it == bindings_.end() ? nullptr : it->second;
  if (trace_ != nullptr) trace_->Event(Elapsed(), c, event, args, handler != nullptr);
  if (handler == nullptr) return {};
  EventResult result;
  result.handled = true;
  result.value = (*handler)(args);
  return result;
}

void Environment::RequestClose(LiveWindow& window) {
  if (!window.alive_ || window.closing_) return;
  const WindowNumber w = window.number();
  const ControlNumber self = window.self().def->number;
  for (int32_t query : {def::window_event::kQueryClose, def::window_event::kCloseQuery}) {
    const EventResult r = RaiseEvent(w, self, query, {});
    if (!window.alive_) return;
    if (r.value && *r.value == 0) return;  // refused
  }
  window.closing_ = true;
  window.destroy_raised_ = true;
  RaiseEvent(w, self, def::window_event::kDestroyed, {});
  if (window.alive_) backend_.DestroyWindow(window.native_);
}

void Environment::WindowGone(LiveWindow& window) {
  if (!window.alive_) return;
  if (!window.destroy_raised_) {
    // Destroyed from outside (the system, not a close request).
    window.destroy_raised_ = true;
    RaiseEvent(window.number(), window.self().def->number, def::window_event::kDestroyed, {});
  }
  window.alive_ = false;
  for (LiveComponent& c : window.components_) {
    if (c.control) c.control->Destroy();
  }
  auto it = loaded_.find(window.number());
  if (it != loaded_.end() && it->second.get() == &window) {
    closed_.push_back(std::move(it->second));
    loaded_.erase(it);
  }
  if (loaded_.empty() && loop_running_) backend_.PostQuit(0);
}

int Environment::EndProcessing() {
  ending_ = true;
  for (void (*routine)() : end_routines_) routine();
  for (auto* list : {&closed_}) {
    for (auto& window : *list) {
      for (LiveComponent& c : window->components_) {
        if (c.control) c.control->OnProgramEnd();
      }
    }
  }
  for (auto& [number, window] : loaded_) {
    for (LiveComponent& c : window->components_) {
      if (c.control) c.control->OnProgramEnd();
    }
  }
  CartoonBox::OnProgramEnd_Component();
  if (trace_ != nullptr) trace_->Exit(Elapsed(), quit_code_);
  return quit_code_;
}

// ---------------------------------------------------------------------------
// The operations, on the current environment.

namespace {
Environment& Env() {
  if (g_current == nullptr) {
    std::fputs("Corvelin: the run-time environment was used before it was started\n", stderr);
    std::_Exit(-1);
  }
  return *g_current;
}
}  // namespace

void InitEnvironment() {
  Env().Init();
}
void RegisterEndRoutine(void (*routine)()) {
  Env().RegisterEndRoutine(routine);
}
void LoadWindow(WindowNumber number) {
  Env().LoadWindow(number);
}
void RunMessageLoop() {
  Env().RunMessageLoop();
}
int32_t GetScreenWidth() {
  return Env().GetScreenWidth();
}
int32_t ReadProperty(WindowNumber w, ControlNumber c, int32_t index, int32_t sub) {
  return Env().ReadProperty(w, c, index, sub);
}
void WriteProperty(WindowNumber w, ControlNumber c, int32_t index, int32_t sub, int32_t value) {
  Env().WriteProperty(w, c, index, sub, value);
}
EventResult RaiseEvent(WindowNumber w, ControlNumber c, int32_t event,
                       std::span<const int32_t> args) {
  return Env().RaiseEvent(w, c, event, args);
}

}  // namespace corvelin
