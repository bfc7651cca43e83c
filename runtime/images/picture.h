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
  kEmpty,        // no bytes
  kUnsupported,  // not a format we can read
  kTruncated,    // the data ends inside the picture
  kMalformed,    // structure or LZW data is broken
  kTooLarge,     // dimensions or total decoded size beyond our limits
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

// Bounds that keep a broken or hostile picture from taking unbounded memory or
// time. A picture beyond any of them gives kTooLarge and no image.
struct PictureLimits {
  int32_t max_side = 4096;                           // logical screen and each frame, per side
  int32_t max_frames = 4096;                         // frames in one picture
  uint64_t max_total_bytes = uint64_t{256} << 20;    // all composed frames together
  uint64_t max_decoded_pixels = uint64_t{64} << 20;  // frame pixels read from image data
};

PictureResult DecodePicture(std::span<const uint8_t> bytes, const TransparencyRule& rule,
                            const PictureLimits& limits);

const char* ToString(PictureStatus status);

}  // namespace corvelin
