// Small window definitions, pictures and handlers for tests, built in code.
#pragma once

#include <array>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "definition/definition.h"
#include "definition/kinds.h"
#include "runtime/environment.h"
#include "runtime/platform/headless/headless.h"
#include "tests/gif_fixtures.h"

namespace corvelin::testing {

// A one-frame GIF: `pixel(x, y)` gives a palette index; index 1 is black,
// 0 white, 2 red, 3 green. `transparent` < 0 for none.
inline std::string MakeGif(int w, int h, const std::function<int(int, int)>& pixel,
                           int transparent = -1) {
  GifSpec layout;
  layout.width = w;
  layout.height = h;
  layout.global = {{255, 255, 255}, {0, 0, 0}, {255, 0, 0}, {0, 255, 0}};
  GifFrameSpec frame = Fill(0, 0, w, h, 0);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      frame.indices[static_cast<size_t>(y * w + x)] = static_cast<uint8_t>(pixel(x, y));
    }
  }
  frame.delay = 5;
  frame.transparent = transparent < 0 ? NO_TRANSPARENT_COLOR : transparent;
  layout.frames.push_back(std::move(frame));
  const std::vector<uint8_t> bytes = testing::MakeGif(layout);
  return std::string(bytes.begin(), bytes.end());
}

inline std::string SolidGif(int w, int h, int index = 1) {
  return MakeGif(w, h, [index](int, int) { return index; });
}

// Settings of a test sprite template.
struct TemplateSpec {
  std::string picture;
  std::string text;
  int32_t zoom = 1000;
  int32_t layer = 0;
  int32_t angle = 0;
  int32_t type = 0;
  bool collide = true;
  bool play_gif = false;
  int32_t exist_time = 0;
  int32_t gif_auto_destroy = 0;
  bool auto_trans = false;
  int32_t alpha = 0;
  uint32_t transparent = 0xFF000000u;
};

// Builds a window definition: the window itself (caption "Test"), then the
// controls in the order added. Keeps every byte it refers to.
class DefinitionBuilder {
 public:
  static constexpr def::WindowNumber kWindow = 0x52010001;
  static constexpr def::ControlNumber kSelf = 0x6010000;

  DefinitionBuilder() {
    window_values_ = {};
    for (size_t i = 0; i < def::kWindowKind.own_properties.size(); ++i) {
      window_values_.push_back(def::kWindowKind.own_properties[i].default_value);
    }
    window_values_[0] = def::Value::Text("Test");
  }

  DefinitionBuilder& WindowSize(int32_t w, int32_t h) {
    width_ = w;
    height_ = h;
    return *this;
  }
  DefinitionBuilder& WindowValue(int32_t index, def::Value v) {
    window_values_[static_cast<size_t>(index - def::kFirstOwnProperty)] = v;
    return *this;
  }
  DefinitionBuilder& BindWindow(int32_t event, std::string handler) {
    window_bindings_.push_back({event, Keep(std::move(handler))});
    return *this;
  }
  DefinitionBuilder& Canvas(def::ControlNumber number, int32_t w, int32_t h,
                            std::vector<std::pair<int32_t, std::string>> bindings = {}) {
    Pending p;
    p.number = number;
    p.kind = &def::kCartoonBoxKind;
    p.w = w;
    p.h = h;
    p.visible = true;
    for (auto& [event, handler] : bindings) p.bindings.push_back({event, Keep(std::move(handler))});
    pending_.push_back(std::move(p));
    return *this;
  }
  DefinitionBuilder& Template(def::ControlNumber number, const TemplateSpec& layout) {
    Pending p;
    p.number = number;
    p.kind = &def::kCartoonObjectKind;
    p.w = 10;
    p.h = 10;
    p.values.resize(24);
    for (size_t i = 0; i < 24; ++i) {
      p.values[i] = def::kCartoonObjectKind.own_properties[i].default_value;
    }
    namespace op = def::object_prop;
    const auto set = [&](int32_t index, def::Value v) {
      p.values[static_cast<size_t>(index - def::kFirstOwnProperty)] = v;
    };
    set(op::kText, def::Value::Text(Keep(layout.text)));
    set(op::kPicture, def::Value::Blob(Keep(layout.picture)));
    set(op::kZoom, def::Value::Int(layout.zoom));
    set(op::kLayer, def::Value::Int(layout.layer));
    set(op::kAngle, def::Value::Int(layout.angle));
    set(op::kType, def::Value::Int(layout.type));
    set(op::kCollideAllowed, def::Value::Bool(layout.collide));
    set(op::kPlayGIF, def::Value::Bool(layout.play_gif));
    set(op::kExistTime, def::Value::Int(layout.exist_time));
    set(op::kGIFAutoDestroy, def::Value::Int(layout.gif_auto_destroy));
    set(op::kAutoGetTransColor, def::Value::Bool(layout.auto_trans));
    set(op::kAlpha, def::Value::Int(layout.alpha));
    set(op::kTransparentColor, def::Value::Colour(layout.transparent));
    pending_.push_back(std::move(p));
    return *this;
  }

  // The definition; valid as long as the builder lives.
  const def::WindowDef& Build() {
    components_.clear();
    components_.push_back({kSelf, "", &def::kWindowKind, 50, 50, width_, height_, "", true, false,
                           false, 0, 0, window_values_, window_bindings_});
    for (const Pending& p : pending_) {
      components_.push_back({p.number, "", p.kind, 0, 0, p.w, p.h, "", p.visible, false,
                             p.kind == &def::kCartoonBoxKind, 0, 0, p.values, p.bindings});
    }
    window_ = {kWindow, components_};
    set_[0] = &window_;
    return window_;
  }
  std::span<const def::WindowDef* const> Set() {
    Build();
    return set_;
  }

 private:
  struct Pending {
    def::ControlNumber number = 0;
    const def::KindDef* kind = nullptr;
    int32_t w = 0, h = 0;
    bool visible = false;
    std::vector<def::Value> values;
    std::vector<def::Binding> bindings;
  };
  std::string_view Keep(std::string s) { return strings_.emplace_back(std::move(s)); }

  int32_t width_ = 506, height_ = 400;
  std::deque<std::string> strings_;
  std::vector<def::Value> window_values_;
  std::vector<def::Binding> window_bindings_;
  std::deque<Pending> pending_;
  std::vector<def::ComponentDef> components_;
  def::WindowDef window_{};
  std::array<const def::WindowDef*, 1> set_{};
};

// An event as a recording handler saw it.
struct Seen {
  std::string handler;
  std::vector<int32_t> args;
  bool operator==(const Seen&) const = default;
};

// Handlers that record each call in order; `reply` may give a return value.
class Recorder {
 public:
  HandlerEntry Handler(std::string name, std::function<std::optional<int32_t>()> reply = {}) {
    return {name, [this, name, reply](std::span<const int32_t> args) {
              seen.push_back({name, {args.begin(), args.end()}});
              if (on_call) on_call(name);
              return reply ? reply() : std::optional<int32_t>();
            }};
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> n;
    for (const Seen& s : seen) n.push_back(s.handler);
    return n;
  }
  std::vector<Seen> seen;
  std::function<void(const std::string&)> on_call;
};

}  // namespace corvelin::testing
