// Picture B: a boy running to the left on white, a 20-frame running cycle.
// 400 x 400; shown at 350/1000, so shapes are bold and outlines thick.
#include <cmath>
#include <numbers>

#include "assets/generator/artwork.h"

namespace corvelin::assetgen {

namespace {

constexpr int kSize = 400;
constexpr int kFrames = 20;
constexpr int kSupersample = 3;
constexpr std::uint8_t kWhite = 254;      // opaque white, the background index
constexpr std::uint8_t kUnchanged = 255;  // transparent in frames 2 to 20

const Rgb kInk = Hex(0x26222e);
const Rgb kSkin = Hex(0xf3c29e);
const Rgb kSkinShade = Hex(0xd99a78);
const Rgb kHair = Hex(0x4a2c1e);
const Rgb kHairLight = Hex(0x7a4a30);
const Rgb kShirt = Hex(0xe5532f);
const Rgb kShirtShade = Hex(0xb83a22);
const Rgb kShorts = Hex(0x2c3e78);
const Rgb kShortsShade = Hex(0x1e2b56);
const Rgb kShoe = Hex(0x2f7fd0);
const Rgb kSole = Hex(0xe8e4dc);
const Rgb kSock = Hex(0xf0eee8);
const Rgb kShadow = Hex(0xdcdad6);
const Rgb kSpeed = Hex(0xc9ccd4);
constexpr double kOutline = 2.6;

double Rad(double degrees) {
  return degrees * std::numbers::pi / 180.0;
}

// Direction at `degrees` from straight down, positive towards the front (left).
Vec Dir(double degrees) {
  return {-std::sin(Rad(degrees)), std::cos(Rad(degrees))};
}

// Far-side limbs are drawn a shade darker so that the two sides read apart.
Rgb Side(Rgb c, bool far) {
  return far ? Mix(c, Hex(0x000000), 0.22) : c;
}

struct LegPose {
  double thigh;  // degrees from vertical, forwards positive
  double knee;   // flexion in degrees
};

// phase 0..1: 0 the thigh swings forward past vertical, 0.25 it reaches out
// for the ground, 0.5 the foot pushes back under the body, 0.75 toe-off.
LegPose Leg(double phase) {
  const double swing = std::sin(2 * std::numbers::pi * phase);
  const double tuck = 0.5 + 0.5 * std::cos(2 * std::numbers::pi * (phase + 0.06));
  return {38 * swing + 4, 12 + 95 * std::pow(tuck, 1.6)};
}

void DrawLeg(Canvas& c, Vec hip, double phase, bool far) {
  const LegPose pose = Leg(phase);
  const Vec knee = hip + Dir(pose.thigh) * 78;
  const double shin_angle = pose.thigh - pose.knee;
  const Vec ankle = knee + Dir(shin_angle) * 74;
  // The foot points forwards, square to the shin, toes dipping as it leaves the ground.
  const Vec toe = ankle + Dir(shin_angle + 90 - 10) * 34;
  c.Outlined(Capsule(knee, ankle, 11.5, 9),
             Linear(knee, Side(kSkin, far), ankle, Side(kSkinShade, far)), kInk, kOutline);
  c.Outlined(Capsule(ankle + Dir(shin_angle + 180) * 14, ankle, 10, 10), Side(kSock, far), kInk,
             kOutline);
  const Shape shoe = Union(Capsule(ankle + Dir(shin_angle + 90) * -6, toe, 11, 9),
                           Circle(ankle + Dir(shin_angle + 90) * -3, 12));
  c.Outlined(shoe, Side(kShoe, far), kInk, kOutline);
  c.Fill(Intersect(shoe, Capsule(ankle + Dir(shin_angle) * 9 + Dir(shin_angle + 90) * -8,
                                 toe + Dir(shin_angle) * 9, 6, 6)),
         Side(kSole, far));
  // Thigh inside the shorts' leg.
  c.Outlined(Capsule(hip, knee + Dir(pose.thigh) * -8, 19, 15),
             Linear(hip, Side(kShorts, far), knee, Side(kShortsShade, far)), kInk, kOutline);
  c.Outlined(Capsule(hip + Dir(pose.thigh) * 40, knee, 14, 12.5), Side(kSkin, far), kInk, kOutline);
  c.Outlined(Capsule(hip, hip + Dir(pose.thigh) * 44, 19.5, 17.5), Side(kShorts, far), kInk,
             kOutline);
}

void DrawArm(Canvas& c, Vec shoulder, double phase, bool far) {
  // Arms swing against the leg of their own side, elbows bent.
  const double upper_angle = -48 * std::sin(2 * std::numbers::pi * phase) - 6;
  const Vec elbow = shoulder + Dir(upper_angle) * 58;
  const double fore_angle = upper_angle + 95;
  const Vec hand = elbow + Dir(fore_angle) * 50;
  c.Outlined(Capsule(elbow, hand, 10, 9), Side(kSkin, far), kInk, kOutline);
  c.Outlined(Circle(hand + Dir(fore_angle) * 4, 12), Side(kSkin, far), kInk, kOutline);
  c.Outlined(Capsule(shoulder, elbow, 13, 10.5), Side(kSkin, far), kInk, kOutline);
  c.Outlined(Capsule(shoulder, shoulder + Dir(upper_angle) * 24, 16, 14), Side(kShirt, far), kInk,
             kOutline);
}

void DrawHead(Canvas& c, Vec centre, double phase) {
  const auto at = [centre](double x, double y) { return centre + Vec{x, y}; };
  // Hair streaming back (to the right) behind the head.
  const double flutter = 4 * std::sin(2 * std::numbers::pi * 2 * phase);
  std::vector<Vec> hair{
      at(-30, -14), at(-22, -36),          at(0, -44), at(26, -38),         at(48, -32 + flutter),
      at(36, -20),  at(54, -12 + flutter), at(36, -4), at(46, 8 + flutter), at(28, 10),
      at(30, 26)};
  c.Outlined(Polygon(hair), kHair, kInk, kOutline);
  const Shape face = Union(Ellipse(at(0, 0), 33, 35), Circle(at(-31, 2), 7));
  c.Outlined(face, Radial(at(-12, -6), 46, kSkin, kSkinShade), kInk, kOutline);
  c.Outlined(Ellipse(at(12, 3), 7, 10), kSkinShade, kInk, kOutline);  // ear
  // Fringe over the brow.
  std::vector<Vec> fringe{at(-32, -10), at(-30, -30), at(-8, -42), at(22, -38),  at(34, -16),
                          at(20, -10),  at(16, -22),  at(4, -18),  at(-12, -26), at(-20, -14)};
  c.Outlined(Polygon(fringe), Linear(at(-20, -40), kHairLight, at(10, -10), kHair), kInk, kOutline);
  // Eye, brow, cheek and an open, determined smile.
  c.Fill(Ellipse(at(-17, -2), 3.6, 5.6), kInk);
  c.Fill(Circle(at(-18.2, -4.2), 1.3), Hex(0xf2f2f2));
  c.Fill(Stroke({at(-25, -13), at(-18, -15), at(-11, -12)}, 2.2, 1.6), kHair);
  c.Fill(Ellipse(at(-10, 12), 7, 4), Mix(kSkin, Hex(0xf08878), 0.45));
  std::vector<Vec> mouth = Quad(at(-29, 17), at(-22, 20), at(-15, 15), 8);
  for (const Vec& p : Quad(at(-15, 15), at(-20, 27), at(-28, 20), 8)) mouth.push_back(p);
  c.Outlined(Polygon(mouth), Hex(0x9c2f38), kInk, 1.4);
}

void DrawRunner(Canvas& c, double t) {
  const double bob = 7 * std::cos(4 * std::numbers::pi * (t - 0.08));
  const Vec hip{214, 214 + bob};
  const Vec neck = hip + Vec{-26, -92};
  const Vec shoulder = neck + Vec{4, 14};
  const Vec head = neck + Vec{-12, -38};

  // Ground shadow and speed lines trailing behind.
  c.Fill(Ellipse({210, 384}, 78 - bob, 9), kShadow);
  for (int i = 0; i < 3; ++i) {
    const double y = 130 + 44 * i + bob * 0.5;
    const double x = 300 + 12 * i + 10 * std::sin(2 * std::numbers::pi * (t + 0.3 * i));
    c.Fill(Capsule({x, y}, {x + 64 - 12 * i, y}, 3, 1.5), kSpeed);
  }

  DrawArm(c, shoulder + Vec{10, -2}, t, true);
  DrawLeg(c, hip + Vec{8, 0}, t + 0.5, true);
  // Torso: the shirt, leaning into the run, over the shorts.
  c.Outlined(Capsule(hip + Vec{4, 6}, hip + Vec{-2, -10}, 30, 30), kShorts, kInk, kOutline);
  const Shape shirt = Capsule(neck + Vec{2, 16}, hip + Vec{2, -4}, 30, 31);
  c.Outlined(shirt, Linear(neck + Vec{-30, 0}, kShirt, neck + Vec{34, 0}, kShirtShade), kInk,
             kOutline);
  c.Fill(Intersect(shirt, Capsule(neck + Vec{-40, 50}, neck + Vec{60, 60}, 6, 6)), Hex(0xf6c342));
  c.Outlined(Capsule(neck + Vec{0, -18}, neck + Vec{2, 10}, 10, 11), kSkinShade, kInk, kOutline);
  DrawLeg(c, hip + Vec{-6, 2}, t, false);
  DrawHead(c, head, t);
  DrawArm(c, shoulder + Vec{-6, 2}, t + 0.5, false);
}

}  // namespace

Bytes MakePictureB() {
  std::vector<std::vector<Pixel>> rendered;
  for (int f = 0; f < kFrames; ++f) {
    Canvas c(kSize, kSize, kSupersample);
    DrawRunner(c, static_cast<double>(f) / kFrames);
    rendered.push_back(c.Resolve());
  }

  GifPicture gif;
  gif.width = kSize;
  gif.height = kSize;
  gif.background = kWhite;
  gif.global_palette = FigurePalette(rendered, 254);
  const PaletteMapper mapper(gif.global_palette);
  gif.global_palette.push_back({255, 255, 255});  // 254: the white background
  gif.global_palette.push_back({255, 255, 255});  // 255: kept free for "unchanged"

  std::vector<std::uint8_t> shown;  // the composed picture so far
  for (int f = 0; f < kFrames; ++f) {
    std::vector<std::uint8_t> indices;
    for (const Pixel& p : rendered[static_cast<std::size_t>(f)]) {
      indices.push_back(IsFigure(p) ? mapper.Nearest(FigureColour(p)) : kWhite);
    }
    GifFrame frame;
    frame.delay = 8;
    frame.disposal = 1;
    if (f == 0) {
      frame.indices = indices;  // every pixel painted, white included
    } else {
      // Later frames paint only what changed, from a table of their own.
      frame.local_palette = gif.global_palette;
      frame.transparent = kUnchanged;
      for (std::size_t i = 0; i < indices.size(); ++i) {
        frame.indices.push_back(indices[i] == shown[i] ? kUnchanged : indices[i]);
      }
    }
    shown = indices;
    gif.frames.push_back(std::move(frame));
  }
  return EncodeGif(gif);
}

}  // namespace corvelin::assetgen
