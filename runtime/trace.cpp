#include "runtime/trace.h"

#include <cerrno>
#include <cstring>

namespace corvelin {

Trace::Trace(std::FILE* out, bool owned) : out_(out), owned_(owned) {}

Trace::~Trace() {
  if (owned_) {
    std::fclose(out_);
  } else {
    std::fflush(out_);
  }
}

std::unique_ptr<Trace> Trace::Open(const std::string& path, std::string* error) {
  if (path == "-") return std::make_unique<Trace>(stdout, false);
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) {
    if (error) *error = "cannot write the trace to '" + path + "': " + std::strerror(errno);
    return nullptr;
  }
  return std::make_unique<Trace>(f, true);
}

std::string JsonEscape(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (unsigned char c : s) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (c < 0x20) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04X", c);
          out += buf;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out;
}

void Trace::Property(uint32_t t, const char* op, uint32_t control, int32_t prop, int32_t value) {
  std::fprintf(out_, "{\"t\":%u,\"op\":\"%s\",\"control\":\"0x%08X\",\"prop\":%d,\"value\":%d}\n",
               t, op, control, prop, value);
}

void Trace::Write(uint32_t t, uint32_t control, int32_t prop, int32_t value) {
  Property(t, "write", control, prop, value);
}

void Trace::Read(uint32_t t, uint32_t control, int32_t prop, int32_t value) {
  Property(t, "read", control, prop, value);
}

void Trace::Create(uint32_t t, int32_t id, std::string_view name, int32_t x, int32_t y) {
  std::fprintf(out_,
               "{\"t\":%u,\"op\":\"create\",\"id\":%d,\"template\":\"%s\",\"x\":%d,\"y\":%d}\n", t,
               id, JsonEscape(name).c_str(), x, y);
}

void Trace::Advance(uint32_t t, int32_t id, int32_t step, int32_t interval) {
  std::fprintf(out_, "{\"t\":%u,\"op\":\"advance\",\"id\":%d,\"step\":%d,\"interval\":%d}\n", t, id,
               step, interval);
}

void Trace::Move(uint32_t t, int32_t id, int32_t x, int32_t y) {
  std::fprintf(out_, "{\"t\":%u,\"op\":\"move\",\"id\":%d,\"x\":%d,\"y\":%d}\n", t, id, x, y);
}

void Trace::Event(uint32_t t, uint32_t source, int32_t event, std::span<const int32_t> args,
                  bool handled) {
  std::fprintf(out_, "{\"t\":%u,\"op\":\"event\",\"source\":\"0x%08X\",\"event\":%d,\"args\":[", t,
               source, event);
  for (size_t i = 0; i < args.size(); ++i) std::fprintf(out_, i ? ",%d" : "%d", args[i]);
  std::fprintf(out_, "],\"handled\":%s}\n", handled ? "true" : "false");
}

void Trace::Destroy(uint32_t t, int32_t id) {
  std::fprintf(out_, "{\"t\":%u,\"op\":\"destroy\",\"id\":%d}\n", t, id);
}

void Trace::Show(uint32_t t) {
  std::fprintf(out_, "{\"t\":%u,\"op\":\"show\"}\n", t);
}

void Trace::Exit(uint32_t t, int code) {
  std::fprintf(out_, "{\"t\":%u,\"op\":\"exit\",\"code\":%d}\n", t, code);
  std::fflush(out_);
}

void Trace::Flush() {
  std::fflush(out_);
}

}  // namespace corvelin
