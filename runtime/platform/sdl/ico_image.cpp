#include "runtime/platform/sdl/ico_image.h"

#include <cstddef>

namespace corvelin::platform::sdl {
namespace {

uint32_t U16(std::string_view s, size_t at) {
  return static_cast<uint8_t>(s[at]) | static_cast<uint32_t>(static_cast<uint8_t>(s[at + 1])) << 8;
}

uint32_t U32(std::string_view s, size_t at) {
  return U16(s, at) | U16(s, at + 2) << 16;
}

int32_t I32(std::string_view s, size_t at) {
  return static_cast<int32_t>(U32(s, at));
}

bool Fail(std::string* error, std::string message) {
  if (error != nullptr) *error = std::move(message);
  return false;
}

constexpr size_t kDirSize = 6;
constexpr size_t kEntrySize = 16;
constexpr size_t kInfoHeaderSize = 40;

}  // namespace

bool DecodeIcoImage(std::string_view ico, int32_t size, IconImage* out, std::string* error) {
  if (ico.size() < kDirSize || U16(ico, 0) != 0 || U16(ico, 2) != 1) {
    return Fail(error, "not an icon file");
  }
  const size_t count = U16(ico, 4);
  if (count == 0) return Fail(error, "the icon file holds no image");
  if (ico.size() < kDirSize + count * kEntrySize) {
    return Fail(error, "the icon directory is cut short");
  }

  // Pick the entry: the requested size, else the largest.
  size_t chosen = 0;
  uint32_t chosen_width = 0;
  bool exact = false;
  for (size_t i = 0; i < count; ++i) {
    const size_t e = kDirSize + i * kEntrySize;
    uint32_t w = static_cast<uint8_t>(ico[e]);
    if (w == 0) w = 256;
    if (static_cast<int32_t>(w) == size && !exact) {
      chosen = i;
      chosen_width = w;
      exact = true;
    } else if (!exact && w > chosen_width) {
      chosen = i;
      chosen_width = w;
    }
  }

  const size_t e = kDirSize + chosen * kEntrySize;
  const size_t bytes = U32(ico, e + 8);
  const size_t offset = U32(ico, e + 12);
  if (offset > ico.size() || bytes > ico.size() - offset) {
    return Fail(error, "an icon image lies outside the file");
  }
  const std::string_view img = ico.substr(offset, bytes);
  if (img.size() >= 4 && img.substr(0, 4) == "\x89PNG") {
    return Fail(error, "PNG-compressed icon images are not supported");
  }
  if (img.size() < kInfoHeaderSize) return Fail(error, "an icon image header is cut short");

  const size_t header_size = U32(img, 0);
  const int32_t width = I32(img, 4);
  const int32_t double_height = I32(img, 8);
  const uint32_t planes = U16(img, 12);
  const uint32_t bpp = U16(img, 14);
  const uint32_t compression = U32(img, 16);
  const uint32_t colours_used = U32(img, 32);
  if (header_size < kInfoHeaderSize || header_size > img.size()) {
    return Fail(error, "an icon image header has a bad size");
  }
  if (width <= 0 || width > 256 || double_height <= 0 || double_height % 2 != 0 ||
      double_height / 2 > 256) {
    return Fail(error, "an icon image has bad dimensions");
  }
  if (planes != 1 || compression != 0) {
    return Fail(error, "an icon image is compressed or has several planes");
  }
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24 && bpp != 32) {
    return Fail(error, "an icon image has an unsupported colour depth");
  }
  const int32_t height = double_height / 2;

  size_t palette_size = 0;
  if (bpp <= 8) {
    palette_size = colours_used != 0 ? colours_used : (1u << bpp);
    if (palette_size > (1u << bpp)) return Fail(error, "an icon palette is too large");
  }
  const size_t palette_at = header_size;
  const size_t xor_at = palette_at + palette_size * 4;
  const size_t xor_stride = (static_cast<size_t>(width) * bpp + 31) / 32 * 4;
  const size_t and_stride = (static_cast<size_t>(width) + 31) / 32 * 4;
  const size_t and_at = xor_at + xor_stride * static_cast<size_t>(height);
  // 32-bit images may leave the mask out; the alpha channel is the mask then.
  const bool has_mask = and_at + and_stride * static_cast<size_t>(height) <= img.size();
  if (and_at > img.size() || (!has_mask && bpp != 32)) {
    return Fail(error, "an icon image's pixels are cut short");
  }

  IconImage result;
  result.width = width;
  result.height = height;
  result.pixels.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
  bool any_alpha = false;
  for (int32_t y = 0; y < height; ++y) {
    const size_t row = xor_at + static_cast<size_t>(height - 1 - y) * xor_stride;
    const size_t mask_row = and_at + static_cast<size_t>(height - 1 - y) * and_stride;
    for (int32_t x = 0; x < width; ++x) {
      const size_t ux = static_cast<size_t>(x);
      uint32_t argb = 0;
      if (bpp <= 8) {
        const uint32_t bits = static_cast<uint8_t>(img[row + ux * bpp / 8]);
        const uint32_t shift = 8 - bpp - (ux * bpp) % 8;
        const uint32_t index = (bits >> shift) & ((1u << bpp) - 1);
        if (index >= palette_size) return Fail(error, "an icon pixel names a missing colour");
        argb = 0xFF000000u | (U32(img, palette_at + index * 4) & 0x00FFFFFFu);
      } else if (bpp == 24) {
        const size_t p = row + ux * 3;
        argb = 0xFF000000u | static_cast<uint32_t>(static_cast<uint8_t>(img[p + 2])) << 16 |
               static_cast<uint32_t>(static_cast<uint8_t>(img[p + 1])) << 8 |
               static_cast<uint8_t>(img[p]);
      } else {
        argb = U32(img, row + ux * 4);
        if ((argb >> 24) != 0) any_alpha = true;
      }
      if (has_mask) {
        const uint32_t mask = static_cast<uint8_t>(img[mask_row + ux / 8]);
        if ((mask >> (7 - ux % 8)) & 1u) argb &= 0x00FFFFFFu;
      }
      result.pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + ux] = argb;
    }
  }
  // A 32-bit image whose alpha channel is all zero relies on its mask alone.
  if (bpp == 32 && !any_alpha) {
    if (!has_mask) return Fail(error, "an icon image is fully transparent");
    for (int32_t y = 0; y < height; ++y) {
      const size_t mask_row = and_at + static_cast<size_t>(height - 1 - y) * and_stride;
      for (int32_t x = 0; x < width; ++x) {
        const size_t ux = static_cast<size_t>(x);
        const uint32_t mask = static_cast<uint8_t>(img[mask_row + ux / 8]);
        uint32_t& p = result.pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + ux];
        if (((mask >> (7 - ux % 8)) & 1u) == 0) p |= 0xFF000000u;
      }
    }
  }
  *out = std::move(result);
  return true;
}

}  // namespace corvelin::platform::sdl
