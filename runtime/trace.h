// A JSON Lines record of what the program does: property reads and writes,
// sprites created, moved and destroyed, events raised, the window shown and
// the exit code. One object per line, keys in a fixed order, `t` in
// milliseconds since the environment started. Costs nothing when off: the
// environment holds a null pointer.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace corvelin {

class Trace {
 public:
  // Writes to `out`; closes it on destruction when `owned`.
  Trace(std::FILE* out, bool owned);
  ~Trace();
  Trace(const Trace&) = delete;
  Trace& operator=(const Trace&) = delete;

  // Opens `path` ("-" is standard output); null with a message on failure.
  static std::unique_ptr<Trace> Open(const std::string& path, std::string* error);

  void Write(uint32_t t, uint32_t control, int32_t prop, int32_t value);
  void Read(uint32_t t, uint32_t control, int32_t prop, int32_t value);
  void Create(uint32_t t, int32_t id, std::string_view template_utf8, int32_t x, int32_t y);
  void Advance(uint32_t t, int32_t id, int32_t step, int32_t interval);
  void Move(uint32_t t, int32_t id, int32_t x, int32_t y);
  void Event(uint32_t t, uint32_t source, int32_t event, std::span<const int32_t> args,
             bool handled);
  void Destroy(uint32_t t, int32_t id);
  void Show(uint32_t t);
  void Exit(uint32_t t, int code);
  void Flush();

 private:
  void Property(uint32_t t, const char* op, uint32_t control, int32_t prop, int32_t value);
  std::FILE* out_;
  bool owned_;
};

// JSON string escaping for UTF-8 text.
std::string JsonEscape(std::string_view utf8);

}  // namespace corvelin
