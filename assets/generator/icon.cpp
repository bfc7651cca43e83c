// The program icon: an open eye on a rose-coloured disc, the portrait's
// colours, in 16 colours at 16, 32 and 48 pixels.
#include <algorithm>
#include <array>
#include <utility>

#include "assets/generator/artwork.h"

namespace corvelin::assetgen {

namespace {

constexpr std::array<unsigned, 16> kPalette{
    0x000000, 0x2a1a24, 0xc23b5e, 0x7e2040, 0xe27a95, 0xf6f2ee, 0xc9bcc4, 0x3f7896,
    0x1f4258, 0x15100e, 0xfefefe, 0x4a2c22, 0xe2b64a, 0xa04a68, 0xe8b8c4, 0x8ab4cc};

void DrawEyeBadge(Canvas& c, double size) {
  const double k = size / 48.0;
  const auto at = [k](double x, double y) { return Vec{x * k, y * k}; };
  const double line = size >= 32 ? 1.5 * k : 0.6;  // lines stay fine at 16 px
  const Rgb ink = Hex(kPalette[1]);
  const Paint rose = Radial(at(18, 16), 30 * k, Hex(kPalette[4]), Hex(kPalette[3]));
  if (size >= 32) {
    c.Outlined(Circle(at(24, 24), 22.5 * k - line), rose, ink, line);
  } else {
    c.Fill(Circle(at(24, 24), 23.5 * k), rose);
  }
  const double iris = size >= 32 ? 9 : 7;
  std::vector<Vec> almond = Quad(at(5, 25), at(24, 7), at(43, 25));
  for (const Vec& p : Quad(at(43, 25), at(24, 41), at(5, 25))) almond.push_back(p);
  const Shape eye = Polygon(almond);
  const Paint white = Linear(at(24, 14), Hex(kPalette[6]), at(24, 22), Hex(kPalette[5]));
  if (size >= 32) {
    c.Outlined(eye, white, ink, line);
  } else {
    c.Fill(eye, white);  // at 16 px an outline would swallow the eye
  }
  c.Fill(Intersect(eye, Circle(at(24, 25), iris)),
         size >= 32 ? Radial(at(22, 22), 10 * k, Hex(kPalette[15]), Hex(kPalette[8]))
                    : Flat(Hex(kPalette[7])));
  c.Fill(Intersect(eye, Circle(at(24, 25), iris * 0.45)), Hex(kPalette[9]));
  c.Fill(Circle(at(21, 22), std::max(1.8 * k, 0.8)), Hex(kPalette[10]));
  // A heavier upper lid with three lashes.
  c.Fill(Stroke(Quad(at(5, 25), at(24, 7), at(43, 25)), line * 0.7, line * 1.1), Hex(kPalette[11]));
  if (size >= 32) {
    for (const auto& [from, to] :
         {std::pair{at(13, 16), at(10, 11)}, std::pair{at(24, 13), at(24, 7)},
          std::pair{at(35, 16), at(38, 11)}}) {
      c.Fill(Capsule(from, to, line * 0.8, line * 0.5), Hex(kPalette[11]));
    }
  }
}

IconImage RenderIcon(int size) {
  Canvas c(size, size, 8);
  DrawEyeBadge(c, size);
  IconImage image;
  image.size = size;
  std::vector<Colour8> palette;
  for (std::size_t i = 0; i < kPalette.size(); ++i) {
    const unsigned v = kPalette[i];
    image.palette[i] = {static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 8),
                        static_cast<std::uint8_t>(v)};
    palette.push_back(image.palette[i]);
  }
  const PaletteMapper mapper(palette);
  for (const Pixel& p : c.Resolve()) {
    const bool clear = p.coverage < 0.5;
    image.transparent.push_back(clear ? 1 : 0);
    // Edge pixels keep the painted colour alone, without the white behind it.
    const double w = 255 * (1 - p.coverage);
    const Pixel solid{{(p.colour.r - w) / p.coverage, (p.colour.g - w) / p.coverage,
                       (p.colour.b - w) / p.coverage},
                      1.0};
    image.indices.push_back(clear ? 0 : mapper.Nearest(FigureColour(solid)));
  }
  return image;
}

}  // namespace

Bytes MakeIcon() {
  return EncodeIco({RenderIcon(16), RenderIcon(32), RenderIcon(48)});
}

}  // namespace corvelin::assetgen
