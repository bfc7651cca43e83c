// Command-line options of corvelin-sim.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "runtime/platform/platform.h"

namespace corvelin::sim {

struct Options {
  platform::Size screen{1920, 1080};
  platform::Insets frame{3, 26, 3, 3};
  int32_t max_width = 0;  // 0: no limit
  uint32_t tick_ms = 10;
  uint32_t run_ms = 10000;
  std::string trace;  // "-" = standard output
  std::string png;
  std::string gif;
  bool help = false;
};

// Parses argv[1..]; nullopt with `error` set on a wrong option or value.
std::optional<Options> ParseOptions(const std::vector<std::string>& args, std::string* error);

extern const char kUsage[];

}  // namespace corvelin::sim
