// A per-pixel reference for MasksOverlap, for the tests and the fuzzer.
#pragma once

#include "runtime/images/image.h"

namespace corvelin::testing {

inline bool BruteOverlap(const BitMask& a, int ax, int ay, const BitMask& b, int bx, int by) {
  for (int y = 0; y < a.height; ++y) {
    for (int x = 0; x < a.width; ++x) {
      if (!a.At(x, y)) continue;
      const int u = ax + x - bx;
      const int v = ay + y - by;
      if (u >= 0 && v >= 0 && u < b.width && v < b.height && b.At(u, v)) return true;
    }
  }
  return false;
}

}  // namespace corvelin::testing
