// Decoding a sprite template's picture into its template image.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "runtime/images/image.h"

namespace corvelin {

// How a template picks each frame's transparent colour.
struct TransparencyRule {
  // True: the colour of the frame's top-left pixel after composition (an
  // unpainted pixel counts as white). False: `colour`, a 0x00BBGGRR value, or
  // kNoColour for none.
  bool from_top_left = false;
  uint32_t colour = kNoColour;
};

enum class PictureStatus {
  kOk,
  kEmpty,          // no bytes
  kUnsupported,    // not a format we can read
  kTruncated,      // the data ends inside the picture
  kMalformed,      // structure or LZW data is broken
  kTooLarge,       // dimensions or total decoded size beyond our limits
};

struct PictureResult {
  PictureStatus status = PictureStatus::kEmpty;
  SharedImage image;       // null unless status is kOk
  std::string diagnostic;  // human-readable, empty when kOk
};

// Decodes a whole picture file. GIF ("GIF87a"/"GIF89a") gives every composed
// frame; other formats give what a library already in use can read, or
// kUnsupported.
PictureResult DecodePicture(std::span<const uint8_t> bytes, const TransparencyRule& rule);

const char* ToString(PictureStatus status);

}  // namespace corvelin
