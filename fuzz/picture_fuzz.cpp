// Feeds arbitrary bytes through picture decoding, composition, zoom and the
// mask overlap test, and checks what a successful decode promises.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>

#include "runtime/images/image.h"
#include "runtime/images/picture.h"
#include "tests/mask_reference.h"

namespace {

using namespace corvelin;

void Require(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "broken promise: %s\n", what);
    std::abort();
  }
}

void CheckFrames(const Image& image) {
  const size_t area = static_cast<size_t>(image.width) * static_cast<size_t>(image.height);
  for (const Frame& f : image.frames) {
    Require(f.pixels.size() == area, "frame size");
    Require(f.solid.width == image.width && f.solid.height == image.height, "mask size");
    Require(f.display_ms > 0, "display time");
  }
  // Every bit of the mask, while that stays cheap.
  if (area * image.frames.size() > (size_t{1} << 18)) return;
  for (const Frame& f : image.frames) {
    for (int32_t y = 0; y < image.height; ++y) {
      for (int32_t x = 0; x < image.width; ++x) {
        const Pixel p = f.pixels[static_cast<size_t>(y) * image.width + x];
        Require((p >> 24) == 0 || (p >> 24) == 0xFF, "alpha is all or nothing");
        Require(f.solid.At(x, y) == f.IsSolid(p), "mask bit");
      }
    }
  }
}

using corvelin::testing::BruteOverlap;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TransparencyRule rule;
  switch (size % 3) {
    case 0:
      rule.from_top_left = true;
      break;
    case 1:
      rule.colour = 0x00FFFFFF;
      break;
    default:
      break;
  }
  // The default limits scaled down, so that the fuzzer spends its time on
  // structure rather than on huge but valid pictures.
  const PictureLimits limits{.max_side = 1024,
                             .max_frames = 256,
                             .max_total_bytes = uint64_t{16} << 20,
                             .max_decoded_pixels = uint64_t{4} << 20};
  const PictureResult result = DecodePicture(std::span<const uint8_t>(data, size), rule, limits);
  if (result.status != PictureStatus::kOk) {
    Require(result.image == nullptr, "no image on failure");
    Require(!result.diagnostic.empty(), "diagnostic on failure");
    return 0;
  }
  Require(result.image != nullptr && !result.image->frames.empty(), "image on success");
  const Image& image = *result.image;
  CheckFrames(image);

  const int32_t zoom = size > 0 ? 100 + 8 * data[size - 1] : 350;
  const SharedImage zoomed = ZoomImage(result.image, zoom);
  if (!zoomed) return 0;  // beyond the zoom limits
  const int64_t w = std::max<int64_t>(1, (int64_t{image.width} * zoom + 500) / 1000);
  const int64_t h = std::max<int64_t>(1, (int64_t{image.height} * zoom + 500) / 1000);
  Require(zoomed->width == w && zoomed->height == h, "zoomed size");
  Require(zoomed->frames.size() == image.frames.size(), "zoomed frame count");
  CheckFrames(*zoomed);

  const BitMask& a = image.frames.front().solid;
  const BitMask& b = zoomed->frames.back().solid;
  const int bx = size > 1 ? static_cast<int>(data[size - 2]) - 128 : 0;
  const int by = size > 2 ? static_cast<int>(data[size - 3]) - 128 : 0;
  const bool overlap = MasksOverlap(a, 0, 0, b, bx, by);
  if (int64_t{a.width} * a.height <= (int64_t{1} << 16)) {
    Require(overlap == BruteOverlap(a, 0, 0, b, bx, by), "overlap agrees with the reference");
  }
  return 0;
}
