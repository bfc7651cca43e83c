// Collision masks, their overlap test and zoomed template images.
#include <gtest/gtest.h>

#include <random>

#include "runtime/images/image.h"
#include "tests/mask_reference.h"

namespace corvelin {
namespace {

constexpr Pixel kRed = 0xFFFF0000;
constexpr Pixel kGreen = 0xFF00FF00;

Frame MakeFrame(int w, int h, std::vector<Pixel> pixels, std::optional<Pixel> transparent) {
  Frame f;
  f.pixels = std::move(pixels);
  f.transparent = transparent;
  f.display_ms = 80;
  BuildMask(f, w, h);
  return f;
}

SharedImage OneFrame(int w, int h, std::vector<Pixel> pixels,
                     std::optional<Pixel> transparent = std::nullopt) {
  auto image = std::make_shared<Image>();
  image->width = w;
  image->height = h;
  image->frames.push_back(MakeFrame(w, h, std::move(pixels), transparent));
  return image;
}

TEST(BuildMask, EveryBitMatchesIsSolidAcrossWordEdges) {
  std::mt19937 rng(7);
  const Pixel choices[] = {kUnpainted, kOpaqueWhite, kRed, kGreen, 0x00123456};
  for (const int w : {1, 63, 64, 65, 130}) {
    const int h = 3;
    std::vector<Pixel> pixels(static_cast<size_t>(w * h));
    for (Pixel& p : pixels) p = choices[rng() % 5];
    for (const std::optional<Pixel> transparent : {std::optional<Pixel>{}, std::optional{kRed}}) {
      const Frame f = MakeFrame(w, h, pixels, transparent);
      ASSERT_EQ(f.solid.words_per_row, (w + 63) / 64);
      for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
          ASSERT_EQ(f.solid.At(x, y), f.IsSolid(pixels[static_cast<size_t>(y * w + x)]))
              << "w " << w << " at " << x << "," << y;
        }
        // Padding past the last column stays clear.
        const uint64_t last =
            f.solid.words[static_cast<size_t>((y + 1) * f.solid.words_per_row - 1)];
        if (w % 64 != 0) {
          EXPECT_EQ(last >> (w % 64), 0u);
        }
      }
    }
  }
}

using testing::BruteOverlap;

BitMask RandomMask(std::mt19937& rng, int w, int h, int percent_solid) {
  std::vector<Pixel> pixels(static_cast<size_t>(w * h));
  for (Pixel& p : pixels) p = static_cast<int>(rng() % 100) < percent_solid ? kRed : kUnpainted;
  return MakeFrame(w, h, pixels, std::nullopt).solid;
}

// A mask with exactly one solid pixel.
BitMask Dot(int w, int h, int x, int y) {
  std::vector<Pixel> pixels(static_cast<size_t>(w * h), kUnpainted);
  pixels[static_cast<size_t>(y * w + x)] = kGreen;
  return MakeFrame(w, h, pixels, std::nullopt).solid;
}

TEST(MasksOverlap, Table) {
  const BitMask wide_end = Dot(130, 2, 129, 1);
  const BitMask one = Dot(1, 1, 0, 0);
  const BitMask word_edge = Dot(70, 1, 64, 0);
  struct Case {
    const char* name;
    const BitMask& a;
    int ax, ay;
    const BitMask& b;
    int bx, by;
    bool overlap;
  };
  const Case cases[] = {
      {"same spot", one, 5, 5, one, 5, 5, true},
      {"one pixel apart", one, 5, 5, one, 6, 5, false},
      {"last column of a third word", wide_end, -129, -1, one, 0, 0, true},
      {"just past it", wide_end, -128, -1, one, 0, 0, false},
      {"unaligned word edge on both sides", word_edge, -3, 0, wide_end, -68, -1, true},
      {"unaligned, off by one", word_edge, -3, 0, wide_end, -67, -1, false},
      {"far negative offsets", one, -2000000000, -2000000000, one, -2000000000, -2000000000, true},
      {"rectangles apart", wide_end, 0, 0, one, 500, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(MasksOverlap(c.a, c.ax, c.ay, c.b, c.bx, c.by), c.overlap);
    EXPECT_EQ(MasksOverlap(c.b, c.bx, c.by, c.a, c.ax, c.ay), c.overlap);
    EXPECT_EQ(BruteOverlap(c.a, c.ax, c.ay, c.b, c.bx, c.by), c.overlap);
  }
}

TEST(MasksOverlap, AgreesWithPerPixelReferenceOnRandomMasks) {
  std::mt19937 rng(12345);
  int overlaps = 0;
  for (int trial = 0; trial < 3000; ++trial) {
    const int aw = 1 + static_cast<int>(rng() % 150);
    const int ah = 1 + static_cast<int>(rng() % 6);
    const int bw = 1 + static_cast<int>(rng() % 150);
    const int bh = 1 + static_cast<int>(rng() % 6);
    // Sparse masks so that the answer often depends on exact bits.
    const int percent = 2 + static_cast<int>(rng() % 10);
    const BitMask a = RandomMask(rng, aw, ah, percent);
    const BitMask b = RandomMask(rng, bw, bh, percent);
    const int ax = static_cast<int>(rng() % 400) - 200;
    const int ay = static_cast<int>(rng() % 10) - 5;
    const int bx = ax + static_cast<int>(rng() % (aw + bw)) - bw;
    const int by = ay + static_cast<int>(rng() % (ah + bh)) - bh;
    const bool expected = BruteOverlap(a, ax, ay, b, bx, by);
    overlaps += expected;
    ASSERT_EQ(MasksOverlap(a, ax, ay, b, bx, by), expected)
        << "trial " << trial << ": " << aw << "x" << ah << "@" << ax << "," << ay << " vs " << bw
        << "x" << bh << "@" << bx << "," << by;
  }
  // Both answers must have been exercised plenty.
  EXPECT_GT(overlaps, 300);
  EXPECT_LT(overlaps, 2700);
}

TEST(MasksOverlap, EmptyMasksNeverOverlap) {
  const BitMask empty;
  const BitMask one = Dot(1, 1, 0, 0);
  EXPECT_FALSE(MasksOverlap(empty, 0, 0, one, 0, 0));
  EXPECT_FALSE(MasksOverlap(one, 0, 0, empty, 0, 0));
}

TEST(ZoomImage, SidesRoundToTheNearestPixel) {
  struct Case {
    int side, zoom, expected;
  };
  const Case cases[] = {{400, 350, 140}, {3, 500, 2}, {5, 500, 3},  {10, 333, 3},
                        {10, 1500, 15},  {1, 100, 1}, {2, 2000, 4}, {7, 1001, 7}};
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.side << " at " << c.zoom);
    const SharedImage image =
        OneFrame(c.side, c.side, std::vector<Pixel>(static_cast<size_t>(c.side * c.side), kRed));
    const SharedImage zoomed = ZoomImage(image, c.zoom);
    ASSERT_TRUE(zoomed);
    EXPECT_EQ(zoomed->width, c.expected);
    EXPECT_EQ(zoomed->height, c.expected);
    ASSERT_EQ(zoomed->frames.size(), 1u);
    EXPECT_EQ(zoomed->frames[0].pixels.size(), static_cast<size_t>(c.expected * c.expected));
  }
}

TEST(ZoomImage, NeutralZoomSharesTheImage) {
  const SharedImage image = OneFrame(150, 150, std::vector<Pixel>(150 * 150, kRed), kOpaqueWhite);
  EXPECT_EQ(ZoomImage(image, 1000), image);
  EXPECT_EQ(ZoomImage(image, 0), image);
  EXPECT_EQ(ZoomImage(image, -5), image);
  EXPECT_EQ(ZoomImage(nullptr, 350), nullptr);
}

TEST(ZoomImage, FourHundredAtThreeFiftyIsOneFortyAndAllSolid) {
  auto image = std::make_shared<Image>();
  image->width = image->height = 400;
  for (int i = 0; i < 3; ++i) {
    image->frames.push_back(
        MakeFrame(400, 400, std::vector<Pixel>(400 * 400, kOpaqueWhite), kOpaqueWhite));
    image->frames.back().display_ms = 80u + static_cast<uint32_t>(i);
  }
  const SharedImage zoomed = ZoomImage(image, 350);
  ASSERT_TRUE(zoomed);
  EXPECT_EQ(zoomed->width, 140);
  EXPECT_EQ(zoomed->height, 140);
  ASSERT_EQ(zoomed->frames.size(), 3u);
  for (size_t i = 0; i < 3; ++i) {
    const Frame& f = zoomed->frames[i];
    EXPECT_EQ(f.display_ms, 80u + i);
    EXPECT_FALSE(f.transparent);
    // White was transparent before scaling; now every pixel is solid.
    EXPECT_TRUE(MasksOverlap(f.solid, 0, 0, Dot(1, 1, 0, 0), 139, 139));
    EXPECT_EQ(f.solid.width, 140);
  }
  EXPECT_FALSE(image->frames[0].solid.At(0, 0)) << "the source image is left alone";
}

TEST(ZoomImage, KeepsPixelValuesAndUnpaintedStaysTransparent) {
  // 2 x 2: red, unpainted / white, green; white was the transparent colour.
  const SharedImage image = OneFrame(2, 2, {kRed, kUnpainted, kOpaqueWhite, kGreen}, kOpaqueWhite);
  const SharedImage up = ZoomImage(image, 2000);
  ASSERT_TRUE(up);
  ASSERT_EQ(up->width, 4);
  const std::vector<Pixel> expected = {kRed,         kRed,         kUnpainted, kUnpainted,  //
                                       kRed,         kRed,         kUnpainted, kUnpainted,  //
                                       kOpaqueWhite, kOpaqueWhite, kGreen,     kGreen,      //
                                       kOpaqueWhite, kOpaqueWhite, kGreen,     kGreen};
  EXPECT_EQ(up->frames[0].pixels, expected);
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 4; ++x) {
      EXPECT_EQ(up->frames[0].solid.At(x, y), !(x >= 2 && y < 2)) << x << "," << y;
    }
  }
  // Down to one pixel: a value from the source, never a blend.
  const SharedImage down = ZoomImage(image, 500);
  ASSERT_TRUE(down);
  ASSERT_EQ(down->width, 1);
  EXPECT_EQ(down->frames[0].pixels, std::vector<Pixel>{kGreen});
}

TEST(ZoomImage, RefusesSizesBeyondItsLimit) {
  const SharedImage image = OneFrame(1000, 1, std::vector<Pixel>(1000, kRed));
  EXPECT_EQ(ZoomImage(image, 20000), nullptr);  // 20000 pixels wide
  EXPECT_TRUE(ZoomImage(image, 16000));
}

}  // namespace
}  // namespace corvelin
