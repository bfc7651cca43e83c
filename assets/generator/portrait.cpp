// Picture A: a head-and-shoulders portrait of a young woman who blinks, smiles
// and settles again. 150 x 150, transparent white around the figure; the body
// reaches the bottom edge so that every row from 30 down is solid.
#include <algorithm>
#include <array>

#include "assets/generator/artwork.h"

namespace corvelin::assetgen {

namespace {

constexpr int kSize = 150;
constexpr int kSupersample = 4;
constexpr std::uint8_t kClear = 255;  // transparent white, also the background index

const Rgb kInk = Hex(0x4a2c22);
const Rgb kHairDark = Hex(0x2e1a12);
const Rgb kHairLight = Hex(0x6b402a);
const Rgb kSkinLight = Hex(0xfbe0cc);
const Rgb kSkinShade = Hex(0xe3ae92);
const Rgb kBlush = Hex(0xf29a94);
const Rgb kLip = Hex(0xd2606e);
const Rgb kLipDark = Hex(0xa63c4c);
const Rgb kMouth = Hex(0x6e1f2c);
const Rgb kTeeth = Hex(0xf5f0ea);
const Rgb kEyeWhite = Hex(0xf6f2ee);
const Rgb kIris = Hex(0x3f7896);
const Rgb kIrisDark = Hex(0x1f4258);
const Rgb kPupil = Hex(0x15100e);
const Rgb kGleam = Hex(0xf4f4f4);
const Rgb kDress = Hex(0xc23b5e);
const Rgb kDressShade = Hex(0x7e2040);
const Rgb kGold = Hex(0xe2b64a);

struct Pose {
  double open;   // eyelids: 1 open, 0 shut
  double smile;  // 0 calm .. 1 broad smile
};

// The loop: a calm look, a blink, a smile that grows and fades, then a held rest.
constexpr std::array<Pose, 17> kPoses{{{1, 0},
                                       {1, 0},
                                       {0.45, 0},
                                       {0, 0},
                                       {0.45, 0},
                                       {1, 0.15},
                                       {1, 0.35},
                                       {1, 0.6},
                                       {1, 0.85},
                                       {1, 1},
                                       {1, 1},
                                       {1, 1},
                                       {1, 0.85},
                                       {1, 0.6},
                                       {1, 0.35},
                                       {1, 0.15},
                                       {1, 0}}};

void DrawBody(Canvas& c) {
  // Neck, then shoulders and chest, then the dress over them.
  c.Outlined(Polygon({{65, 80}, {85, 80}, {87, 112}, {63, 112}}),
             Linear({75, 84}, kSkinShade, {75, 100}, kSkinLight), kInk, 0.7);
  // Rounded shoulders sloping down to the bottom edge.
  std::vector<Vec> chest = Cubic({4, 151}, {6, 124}, {24, 110}, {54, 106});
  for (const Vec& p : Cubic({96, 106}, {126, 110}, {144, 124}, {146, 151})) chest.push_back(p);
  c.Outlined(Polygon(chest), Linear({75, 104}, kSkinShade, {75, 122}, kSkinLight), kInk, 0.7);
  std::vector<Vec> dress = Cubic({4, 151}, {6, 125}, {24, 111}, {50, 107.5});
  for (const Vec& p : Quad({50, 107.5}, {64, 114}, {75, 132}, 10)) dress.push_back(p);
  for (const Vec& p : Quad({75, 132}, {86, 114}, {100, 107.5}, 10)) dress.push_back(p);
  for (const Vec& p : Cubic({100, 107.5}, {126, 111}, {144, 125}, {146, 151})) dress.push_back(p);
  c.Outlined(Polygon(dress), Radial({75, 118}, 70, kDress, kDressShade), kInk, 0.7);
  // A fine necklace with a drop.
  c.Fill(Stroke(Quad({63, 107}, {75, 121}, {87, 107}), 0.55, 0.55), kGold);
  c.Outlined(Circle({75, 116.5}, 1.8), kGold, Hex(0x9a7424), 0.45);
}

void DrawHairBack(Canvas& c, double sway) {
  const Shape back = Union(Ellipse({75, 54}, 35, 37), Polygon({{41, 58},
                                                               {109, 58},
                                                               {116, 92},
                                                               {119 + sway, 120},
                                                               {101, 126},
                                                               {75, 104},
                                                               {49, 126},
                                                               {31 + sway, 120},
                                                               {34, 92}}));
  c.Outlined(back, Linear({75, 20}, kHairLight, {75, 125}, kHairDark), kInk, 0.8);
}

// The face's shading, shared by everything painted onto the skin.
Rgb SkinAt(Vec p) {
  return Radial({71, 58}, 38, kSkinLight, kSkinShade)(p);
}

void DrawFace(Canvas& c) {
  c.Outlined(Ellipse({50, 69}, 4, 6), kSkinShade, kInk, 0.6);
  c.Outlined(Ellipse({100, 69}, 4, 6), kSkinShade, kInk, 0.6);
  const Shape face = Union(Ellipse({75, 60}, 25.5, 27), Ellipse({75, 70}, 20, 22));
  c.Outlined(face, SkinAt, kInk, 0.8);
  // A soft shadow the fringe casts over the forehead.
  c.Fill(Intersect(face, Ellipse({75, 40}, 30, 16)),
         Linear({75, 46}, kSkinShade, {75, 56}, kSkinLight));
  c.Fill(Circle({50, 78}, 1.6), kGold);  // earrings
  c.Fill(Circle({100, 78}, 1.6), kGold);
}

void DrawEye(Canvas& c, Vec centre, double open, double side, double smile) {
  // side: -1 for the eye on the left of the picture, +1 for the right one.
  const double lid = open * (1.0 - 0.28 * smile);
  const Vec outer = centre + Vec{side * 7.0, -0.8};
  const Vec inner = centre + Vec{-side * 6.5, 0.6};
  if (lid < 0.1) {
    // Shut: a lash line curving down.
    c.Fill(Stroke(Quad(inner, centre + Vec{0, 2.4}, outer), 0.45, 0.75), kInk);
    c.Fill(Stroke({outer, outer + Vec{side * 2.0, -0.9}}, 0.7, 0.3), kInk);
    return;
  }
  const double top = 6.2 * lid;
  const double bottom = 3.6 * (1.0 - 0.35 * smile);
  std::vector<Vec> eye = Quad(inner, centre + Vec{0, -top * 1.6}, outer);
  for (const Vec& p : Quad(outer, centre + Vec{0, bottom * 1.4}, inner)) eye.push_back(p);
  const Shape white = Polygon(eye);
  c.Fill(white, kEyeWhite);
  const Vec look = centre + Vec{side * 0.4, 0.2};
  c.Fill(Intersect(white, Circle(look, 4.1)), Radial(look + Vec{0, 1}, 4.1, kIris, kIrisDark));
  c.Fill(Intersect(white, Circle(look, 1.9)), kPupil);
  c.Fill(Intersect(white, Circle(look + Vec{-1.2, -1.4}, 0.95)), kGleam);
  // Upper lid with lashes sweeping out at the outer corner, a fine lower lid.
  c.Fill(Stroke(Quad(inner, centre + Vec{0, -top * 1.6}, outer), 0.55, 0.95), kInk);
  c.Fill(Stroke({outer, outer + Vec{side * 2.6, -1.9}}, 0.85, 0.3), kInk);
  c.Fill(
      Stroke(Quad(inner + Vec{side * 1.5, 0.3}, centre + Vec{0, bottom * 1.4}, outer), 0.3, 0.35),
      Mix(kInk, kSkinShade, 0.5));
}

void DrawFeatures(Canvas& c, const Pose& pose) {
  const double s = pose.smile;
  // Blush that deepens with the smile.
  for (double x : {58.0, 92.0}) {
    const double strength = 0.3 + 0.3 * s;
    c.Fill(Ellipse({x, 75}, 7, 4.2), [x, strength](Vec p) {
      const double dx = (p.x - x) / 7, dy = (p.y - 75) / 4.2;
      const double w = std::max(0.0, 1.0 - (dx * dx + dy * dy));
      return Mix(SkinAt(p), kBlush, strength * w);
    });
  }
  DrawEye(c, {64, 64}, pose.open, -1, s);
  DrawEye(c, {86, 64}, pose.open, +1, s);
  // Brows lift a little with the smile.
  const double lift = 1.2 * s;
  c.Fill(Stroke(Quad({57, 55.5 - lift}, {63, 51.5 - lift}, {70.5, 54 - lift}), 0.7, 1.25),
         kHairDark);
  c.Fill(Stroke(Quad({93, 55.5 - lift}, {87, 51.5 - lift}, {79.5, 54 - lift}), 0.7, 1.25),
         kHairDark);
  // Nose: a soft shadow along one side of the bridge and under the tip.
  c.Fill(Stroke(Quad({77, 68}, {78.6, 73}, {77.2, 76}), 0.25, 0.6), Mix(kSkinShade, kInk, 0.15));
  c.Fill(Stroke(Quad({72.8, 76.4}, {75, 77.6}, {77.2, 76.4}), 0.45, 0.45),
         Mix(kSkinShade, kInk, 0.3));

  // Mouth: the corners rise and the lips part as the smile grows.
  const Vec left{68.5 - 2.5 * s, 83.6 - 2.6 * s};
  const Vec right{81.5 + 2.5 * s, 83.6 - 2.6 * s};
  const double part = s > 0.3 ? (s - 0.3) / 0.7 : 0.0;
  const std::vector<Vec> seam_top = Quad(left, {75, 85.0 + 1.8 * s}, right);
  std::vector<Vec> lips = Cubic(left, {71, 81.8}, {79, 81.8}, right);
  for (const Vec& p : Quad(right, {75, 89.2 + 2.6 * s}, left)) lips.push_back(p);
  c.Outlined(Polygon(lips), Linear({75, 82}, kLip, {75, 91}, kLipDark), Mix(kInk, kLipDark, 0.5),
             0.35);
  if (part > 0) {
    std::vector<Vec> opening = seam_top;
    for (const Vec& p : Quad(right, {75, 85.4 + 1.8 * s + 4.2 * part}, left)) opening.push_back(p);
    const Shape gap = Polygon(opening);
    c.Fill(gap, kMouth);
    c.Fill(Intersect(gap, Ellipse({75, 84.6 + 1.2 * s}, 9, 2.1 + 0.6 * part)), kTeeth);
  } else {
    c.Fill(Stroke(seam_top, 0.4, 0.4), kMouth);
  }
  // Dimples at the corners of a broad smile.
  if (s > 0.5) {
    c.Fill(Stroke(Quad(left + Vec{-1.2, -1.2}, left + Vec{-2.0, 0.2}, left + Vec{-1.0, 1.6}), 0.3,
                  0.3),
           Mix(kSkinShade, kInk, 0.2));
    c.Fill(Stroke(Quad(right + Vec{1.2, -1.2}, right + Vec{2.0, 0.2}, right + Vec{1.0, 1.6}), 0.3,
                  0.3),
           Mix(kSkinShade, kInk, 0.2));
  }
}

void DrawHairFront(Canvas& c, double sway) {
  // The crown and a side-swept fringe.
  std::vector<Vec> fringe = Cubic({47, 68}, {40, 30}, {70, 14}, {92, 24});
  for (const Vec& p : Cubic({92, 24}, {106, 32}, {108, 50}, {103, 68})) fringe.push_back(p);
  for (const Vec& p : Cubic({103, 68}, {99, 52}, {92, 44}, {82, 42})) fringe.push_back(p);
  for (const Vec& p : Cubic({82, 42}, {70, 48}, {58, 48}, {52, 58})) fringe.push_back(p);
  fringe.push_back({49, 68});
  c.Outlined(Polygon(fringe), Linear({60, 20}, kHairLight, {80, 62}, kHairDark), kInk, 0.8);
  // Locks falling over the shoulders in front, with a strand line in each.
  for (double side : {-1.0, 1.0}) {
    const auto at = [side](double x, double y) { return Vec{75 + side * x, y}; };
    std::vector<Vec> lock = Cubic(at(27, 52), at(36, 76), at(40 + sway, 100), at(38 + sway, 132));
    for (const Vec& p : Cubic(at(38 + sway, 132), at(31 + sway, 118), at(26, 96), at(24, 66))) {
      lock.push_back(p);
    }
    c.Outlined(Polygon(lock), Linear(at(28, 60), kHairLight, at(36, 132), kHairDark), kInk, 0.7);
    c.Fill(Stroke(Cubic(at(30, 66), at(34, 84), at(36 + sway, 104), at(35 + sway, 124)), 0.35, 0.2),
           Mix(kHairLight, Hex(0xb07a55), 0.4));
  }
  // Sheen on the crown.
  c.Fill(Stroke(Cubic({58, 34}, {64, 25}, {76, 22}, {88, 26}), 0.6, 1.1),
         Mix(kHairLight, Hex(0xb07a55), 0.6));
}

}  // namespace

Bytes MakePictureA() {
  std::vector<std::vector<Pixel>> rendered;
  for (std::size_t f = 0; f < kPoses.size(); ++f) {
    const double sway =
        f < 8 ? 0.15 * static_cast<double>(f) : 0.15 * (16.0 - static_cast<double>(f));
    Canvas c(kSize, kSize, kSupersample);
    DrawHairBack(c, sway);
    DrawBody(c);
    DrawFace(c);
    DrawFeatures(c, kPoses[f]);
    DrawHairFront(c, sway);
    rendered.push_back(c.Resolve());
  }

  GifPicture gif;
  gif.width = kSize;
  gif.height = kSize;
  gif.background = kClear;
  gif.global_palette = FigurePalette(rendered, 255);
  const PaletteMapper mapper(gif.global_palette);
  gif.global_palette.push_back({255, 255, 255});
  gif.xmp_packet =
      "<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\n"
      "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\">\n"
      " <rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">\n"
      "  <rdf:Description rdf:about=\"\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\">\n"
      "   <dc:title><rdf:Alt><rdf:li "
      "xml:lang=\"x-default\">Portrait</rdf:li></rdf:Alt></dc:title>\n"
      "   <dc:creator><rdf:Seq><rdf:li>Corvelin asset generator</rdf:li></rdf:Seq></dc:creator>\n"
      "  </rdf:Description>\n"
      " </rdf:RDF>\n"
      "</x:xmpmeta>\n"
      "<?xpacket end=\"r\"?>";
  for (std::size_t f = 0; f < rendered.size(); ++f) {
    GifFrame frame;
    const bool last = f + 1 == rendered.size();
    frame.delay = last ? 30 : 6;
    frame.disposal = last ? 1 : 2;
    frame.transparent = kClear;
    for (const Pixel& p : rendered[f]) {
      frame.indices.push_back(IsFigure(p) ? mapper.Nearest(FigureColour(p)) : kClear);
    }
    gif.frames.push_back(std::move(frame));
  }
  return EncodeGif(gif);
}

}  // namespace corvelin::assetgen
