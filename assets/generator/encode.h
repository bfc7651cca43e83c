// Turning rendered artwork into the bytes of the program's files: colour
// reduction, the GIF encoder (giflib) and the icon file writer.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "assets/generator/raster.h"

namespace corvelin::assetgen {

struct Colour8 {
  std::uint8_t r = 0;
  std::uint8_t g = 0;
  std::uint8_t b = 0;
  bool operator==(const Colour8&) const = default;
};
using Bytes = std::vector<std::uint8_t>;

// A painted pixel's colour; pure white is reserved for "nothing here" (white is
// the transparent colour of the program's pictures), so painted near-whites
// are toned down a little.
Colour8 FigureColour(const Pixel& pixel);

// Median cut over all given colours: at most `count` representative colours.
std::vector<Colour8> MedianCut(const std::vector<Colour8>& colours, std::size_t count);

// Whether a resolved pixel is part of the figure rather than background.
inline bool IsFigure(const Pixel& pixel) {
  return pixel.coverage >= 0.4;
}

// Exactly `count` colours for the figure pixels of all frames (median cut,
// padded when the frames hold fewer).
std::vector<Colour8> FigurePalette(const std::vector<std::vector<Pixel>>& frames,
                                   std::size_t count);

// Nearest-colour lookup into a palette (first match wins on ties).
class PaletteMapper {
 public:
  explicit PaletteMapper(std::vector<Colour8> palette) : palette_(std::move(palette)) {}
  std::uint8_t Nearest(Colour8 c) const;

 private:
  std::vector<Colour8> palette_;
  mutable std::unordered_map<std::uint32_t, std::uint8_t> cache_;
};

struct GifFrame {
  std::vector<std::uint8_t> indices;  // width * height, row by row
  int delay = 0;                      // hundredths of a second
  int disposal = 0;
  int transparent = -1;                // transparent index, or -1 for none
  std::vector<Colour8> local_palette;  // empty: the frame uses the global table
};

struct GifPicture {
  int width = 0;
  int height = 0;
  int background = 0;
  std::vector<Colour8> global_palette;  // 256 entries
  std::string xmp_packet;               // non-empty: one XMP metadata block after the loop block
  std::vector<GifFrame> frames;
};

Bytes EncodeGif(const GifPicture& picture);

struct IconImage {
  int size = 0;  // width and height in pixels
  std::array<Colour8, 16> palette{};
  std::vector<std::uint8_t> indices;      // size * size, top row first, values 0..15
  std::vector<std::uint8_t> transparent;  // size * size, 1 where the mask hides the pixel
};

Bytes EncodeIco(const std::vector<IconImage>& images);

}  // namespace corvelin::assetgen
