#include "app/sim/options.h"

#include <charconv>
#include <string_view>

namespace corvelin::sim {

const char kUsage[] =
    "usage: corvelin-sim [options]\n"
    "Runs Corvelin's scene on a virtual screen with a virtual clock.\n"
    "  --screen WxH        screen size (default 1920x1080)\n"
    "  --frame L,T,R,B     frame thickness of the window (default 3,26,3,3)\n"
    "  --max-width N       largest outer window width the system grants (default: no limit)\n"
    "  --tick MS           period at which the canvas timer is delivered (default 10)\n"
    "  --ms N              virtual milliseconds to run (default 10000)\n"
    "  --trace FILE        write the JSON Lines trace to FILE ('-' for standard output)\n"
    "  --png FILE          write the window's client area at the end as PNG\n"
    "  --gif FILE          write an animated recording of the client area\n"
    "  --help              show this text\n";

namespace {

bool ParseInt(std::string_view s, int64_t lo, int64_t hi, int64_t* out) {
  if (s.empty()) return false;
  int64_t v = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc() || end != s.data() + s.size() || v < lo || v > hi) return false;
  *out = v;
  return true;
}

// Splits "a<sep>b<sep>..." into exactly `n` integers in [lo, hi].
bool ParseList(std::string_view s, char sep, size_t n, int64_t lo, int64_t hi,
               std::vector<int64_t>* out) {
  out->clear();
  while (true) {
    const size_t at = s.find(sep);
    int64_t v = 0;
    if (!ParseInt(s.substr(0, at), lo, hi, &v)) return false;
    out->push_back(v);
    if (at == std::string_view::npos) break;
    s.remove_prefix(at + 1);
  }
  return out->size() == n;
}

}  // namespace

std::optional<Options> ParseOptions(const std::vector<std::string>& args, std::string* error) {
  Options o;
  for (size_t i = 0; i < args.size(); ++i) {
    std::string name = args[i];
    std::string value;
    bool has_value = false;
    if (const size_t eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
      value = name.substr(eq + 1);
      name = name.substr(0, eq);
      has_value = true;
    }
    if (name == "--help" || name == "-h") {
      o.help = true;
      continue;
    }
    static const char* const kWithValue[] = {"--screen", "--frame", "--max-width", "--tick",
                                             "--ms",     "--trace", "--png",       "--gif"};
    bool known = false;
    for (const char* k : kWithValue) known = known || name == k;
    if (!known) {
      *error = "unknown option '" + args[i] + "'";
      return std::nullopt;
    }
    if (!has_value) {
      if (i + 1 >= args.size()) {
        *error = "option " + name + " needs a value";
        return std::nullopt;
      }
      value = args[++i];
    }
    const auto bad = [&](const char* expected) {
      *error = "bad value '" + value + "' for " + name + ": expected " + expected;
      return std::nullopt;
    };
    std::vector<int64_t> list;
    int64_t v = 0;
    if (name == "--screen") {
      if (!ParseList(value, 'x', 2, 1, 65535, &list)) return bad("WxH, e.g. 1920x1080");
      o.screen = {static_cast<int32_t>(list[0]), static_cast<int32_t>(list[1])};
    } else if (name == "--frame") {
      if (!ParseList(value, ',', 4, 0, 1000, &list)) return bad("L,T,R,B, e.g. 3,26,3,3");
      o.frame = {static_cast<int32_t>(list[0]), static_cast<int32_t>(list[1]),
                 static_cast<int32_t>(list[2]), static_cast<int32_t>(list[3])};
    } else if (name == "--max-width") {
      if (!ParseInt(value, 1, 65535, &v)) return bad("a width from 1 to 65535");
      o.max_width = static_cast<int32_t>(v);
    } else if (name == "--tick") {
      if (!ParseInt(value, 1, 60000, &v)) return bad("milliseconds from 1 to 60000");
      o.tick_ms = static_cast<uint32_t>(v);
    } else if (name == "--ms") {
      if (!ParseInt(value, 0, 86400000, &v)) return bad("milliseconds from 0 to 86400000");
      o.run_ms = static_cast<uint32_t>(v);
    } else if (value.empty()) {
      return bad("a file name");
    } else if (name == "--trace") {
      o.trace = value;
    } else if (name == "--png") {
      o.png = value;
    } else {
      o.gif = value;
    }
  }
  return o;
}

}  // namespace corvelin::sim
