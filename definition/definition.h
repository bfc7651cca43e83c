// Window definitions as typed, read-only data.
//
// A definition describes one window: its components (the window itself and
// its controls) in stored order, every stored property value, and which
// events are bound to which handlers. Texts are GBK byte strings. Nothing
// here changes at run time; building a window works on a copy of the values.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace corvelin::def {

using WindowNumber = uint32_t;
using ControlNumber = uint32_t;

enum class ValueType : uint8_t {
  kInteger,  // 32-bit signed
  kLogical,  // 0 or 1
  kColour,   // 0x00BBGGRR, 0xFF000000 = none / system default
  kText,     // GBK bytes
  kBytes,    // a whole file (picture, sound) or a binary record (font)
};

// A stored value. Integers, logicals and colours use `integer`; texts and
// byte blobs use `bytes` (empty = none).
struct Value {
  int32_t integer = 0;
  std::string_view bytes{};

  static constexpr Value Int(int32_t v) { return Value{v, {}}; }
  static constexpr Value Bool(bool v) { return Value{v ? 1 : 0, {}}; }
  static constexpr Value Colour(uint32_t v) { return Value{static_cast<int32_t>(v), {}}; }
  static constexpr Value Text(std::string_view v) { return Value{0, v}; }
  static constexpr Value Blob(std::string_view v) { return Value{0, v}; }
};

struct PropertyDef {
  std::string_view identifier;  // e.g. "left", "BackColor"
  std::string_view name;        // the name shown, UTF-8
  ValueType type;
  Value default_value;
};

struct EventDef {
  int32_t index;
  std::string_view name;  // UTF-8
  int32_t arg_count;
};

// A kind of component: its own properties (indexes 8 and up) and events.
struct KindDef {
  std::string_view identifier;  // "window", "CartoonBox", "CartoonObject"
  std::string_view name;        // UTF-8, e.g. "动画框"
  std::span<const PropertyDef> own_properties;
  std::span<const EventDef> events;
};

// The eight properties every component has, indexes 0 to 7.
inline constexpr int32_t kPropLeft = 0;
inline constexpr int32_t kPropTop = 1;
inline constexpr int32_t kPropWidth = 2;
inline constexpr int32_t kPropHeight = 3;
inline constexpr int32_t kPropTag = 4;
inline constexpr int32_t kPropVisible = 5;
inline constexpr int32_t kPropDisable = 6;
inline constexpr int32_t kPropMousePointer = 7;
inline constexpr int32_t kFirstOwnProperty = 8;

std::span<const PropertyDef> StandardProperties();

struct Binding {
  int32_t event_index;
  std::string_view handler;  // resolved by name when the environment starts
};

struct ComponentDef {
  ControlNumber number;
  std::string_view name_gbk;
  const KindDef* kind;
  int32_t left, top, width, height;
  std::string_view tag_gbk;
  bool visible;
  bool disabled;
  bool tab_stop;
  int32_t mouse_pointer;
  int32_t tab_order;
  // Values of the kind's own properties in index order (index 8 first). A
  // shorter list leaves the rest at their defaults.
  std::span<const Value> own_values;
  std::span<const Binding> bindings;
};

struct WindowDef {
  WindowNumber number;
  // Stored order; the first component is the window itself.
  std::span<const ComponentDef> components;
};

// Looks a window definition up by number in a set of definitions.
const WindowDef* FindWindow(std::span<const WindowDef* const> set, WindowNumber number);

}  // namespace corvelin::def
