// Template images: the frames a sprite template forms once from its picture
// or its text, and that every sprite made from the template shares.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace corvelin {

// 0xAARRGGBB. Alpha 0 marks a pixel the picture never painted; every painted
// pixel has alpha 0xFF.
using Pixel = uint32_t;
constexpr Pixel kUnpainted = 0x00FFFFFF;  // white and transparent
constexpr Pixel kOpaqueWhite = 0xFFFFFFFF;

// Colours of the window definition are 0x00BBGGRR; 0xFF000000 is "none".
constexpr uint32_t kNoColour = 0xFF000000;
constexpr Pixel ColourToPixel(uint32_t bgr) {
  return 0xFF000000u | ((bgr & 0xFFu) << 16) | (bgr & 0xFF00u) | ((bgr >> 16) & 0xFFu);
}

// One bit per pixel, 1 = solid. Rows are padded to whole 64-bit words so that a
// collision test handles 64 pixels per operation.
struct BitMask {
  int32_t width = 0;
  int32_t height = 0;
  int32_t words_per_row = 0;
  std::vector<uint64_t> words;
  // First and last solid column of each row (first > last for an empty row),
  // so that an overlap test skips rows whose solid spans cannot meet. Empty
  // vectors: not known, every row is tested.
  std::vector<int32_t> row_first;
  std::vector<int32_t> row_last;
  // First and last row with a solid bit in each 64-column word, so that a
  // test over a few columns starts and ends where those columns hold
  // anything. Empty vectors: not known.
  std::vector<int32_t> word_first_row;
  std::vector<int32_t> word_last_row;

  bool At(int32_t x, int32_t y) const {
    return (words[static_cast<size_t>(y) * words_per_row + (x >> 6)] >> (x & 63)) & 1u;
  }
};

struct Frame {
  std::vector<Pixel> pixels;  // width * height, row-major
  // The frame's transparent colour as an opaque pixel value, if it has one.
  std::optional<Pixel> transparent;
  uint32_t display_ms = 0;
  BitMask solid;  // built once with the frame, from pixels and transparent

  bool IsSolid(Pixel p) const { return (p >> 24) != 0 && (!transparent || p != *transparent); }
};

struct Image {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<Frame> frames;

  size_t PixelBytes() const;
};

using SharedImage = std::shared_ptr<const Image>;

// Builds `frame.solid` from its pixels and transparent colour.
void BuildMask(Frame& frame, int32_t width, int32_t height);

// Scales an image by zoom / 1000 in both directions (0 and 1000 keep it).
// Each side becomes side * zoom / 1000 rounded to the nearest pixel, at least
// one pixel; frames are resampled nearest-neighbour, keeping every pixel's
// value, and lose their transparent colour. Masks are rebuilt.
SharedImage ZoomImage(const SharedImage& image, int32_t zoom);

// Largest side and largest total of frame pixels (in bytes) that ZoomImage
// produces; a zoom that would go beyond either gives a null image. A negative
// zoom keeps the image like 0 does.
constexpr int64_t kMaxZoomedSide = 16384;
constexpr int64_t kMaxZoomedBytes = int64_t{256} << 20;

// True if some point is solid in both masks, with mask `a`'s top-left corner
// at (ax, ay) and `b`'s at (bx, by) in one coordinate space. Works on whole
// 64-bit words, whatever the alignment of the two masks.
bool MasksOverlap(const BitMask& a, int32_t ax, int32_t ay, const BitMask& b, int32_t bx,
                  int32_t by);

}  // namespace corvelin
