// Decoding one image of a Windows .ico file (uncompressed BMP with its AND
// mask) into 32-bit pixels, for the window icon.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace corvelin::platform::sdl {

struct IconImage {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint32_t> pixels;  // 0xAARRGGBB, top row first; alpha 0 where the mask is set
};

// Decodes the image of the icon that is `size` pixels square; without one of
// that size, the largest. Palette images of 1, 4 or 8 bits per pixel and
// direct-colour images of 24 or 32 bits are understood (PNG-compressed
// images are not). False with `error` set when the file is damaged or holds
// nothing usable.
bool DecodeIcoImage(std::string_view ico, int32_t size, IconImage* out, std::string* error);

}  // namespace corvelin::platform::sdl
