// The window icon decoder: palette and direct-colour images with their masks,
// the choice among several sizes, and damaged files.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "runtime/platform/sdl/ico_image.h"

namespace corvelin::platform::sdl {
namespace {

void Put16(std::string& s, uint32_t v) {
  s += static_cast<char>(v & 0xFF);
  s += static_cast<char>((v >> 8) & 0xFF);
}
void Put32(std::string& s, uint32_t v) {
  Put16(s, v & 0xFFFF);
  Put16(s, v >> 16);
}

// One BMP image as an .ico stores it: header with the doubled height, palette,
// colour rows and mask rows, both bottom-up.
struct Image {
  int32_t size = 0;
  uint32_t bpp = 4;
  std::vector<uint32_t> palette;  // 0x00RRGGBB
  std::string xor_rows;
  std::string and_rows;
};

std::string Bmp(const Image& im) {
  std::string s;
  Put32(s, 40);
  Put32(s, static_cast<uint32_t>(im.size));
  Put32(s, static_cast<uint32_t>(im.size * 2));
  Put16(s, 1);
  Put16(s, im.bpp);
  Put32(s, 0);
  Put32(s, 0);
  Put32(s, 0);
  Put32(s, 0);
  Put32(s, static_cast<uint32_t>(im.palette.size()));
  Put32(s, 0);
  for (uint32_t c : im.palette) Put32(s, c);
  return s + im.xor_rows + im.and_rows;
}

std::string Ico(const std::vector<std::string>& images, const std::vector<int32_t>& sizes) {
  std::string s;
  Put16(s, 0);
  Put16(s, 1);
  Put16(s, static_cast<uint32_t>(images.size()));
  uint32_t offset = static_cast<uint32_t>(6 + 16 * images.size());
  for (size_t i = 0; i < images.size(); ++i) {
    s += static_cast<char>(sizes[i] & 0xFF);
    s += static_cast<char>(sizes[i] & 0xFF);
    s += '\0';
    s += '\0';
    Put16(s, 1);
    Put16(s, 4);
    Put32(s, static_cast<uint32_t>(images[i].size()));
    Put32(s, offset);
    offset += static_cast<uint32_t>(images[i].size());
  }
  for (const std::string& im : images) s += im;
  return s;
}

// A 2x2 4-bit image: top row red, blue; bottom row green, and a pixel that
// the mask makes transparent. Rows are padded to 4 bytes.
Image TwoByTwo() {
  Image im;
  im.size = 2;
  im.palette = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};
  im.xor_rows = std::string("\x20\0\0\0\x13\0\0\0", 8);  // bottom row first
  im.and_rows = std::string("\x40\0\0\0\0\0\0\0", 8);    // bottom-right masked
  return im;
}

TEST(IcoImage, DecodesPaletteImageWithMask) {
  IconImage out;
  std::string error;
  ASSERT_TRUE(DecodeIcoImage(Ico({Bmp(TwoByTwo())}, {2}), 2, &out, &error)) << error;
  ASSERT_EQ(out.width, 2);
  ASSERT_EQ(out.height, 2);
  EXPECT_EQ(out.pixels, (std::vector<uint32_t>{0xFFFF0000, 0xFF0000FF, 0xFF00FF00, 0x00000000}));
}

TEST(IcoImage, DecodesThirtyTwoBitImageWithoutAlphaThroughItsMask) {
  Image im;
  im.size = 1;
  im.bpp = 32;
  im.xor_rows = std::string("\x30\x20\x10\x00", 4);
  im.and_rows = std::string("\0\0\0\0", 4);
  IconImage out;
  std::string error;
  ASSERT_TRUE(DecodeIcoImage(Ico({Bmp(im)}, {1}), 1, &out, &error)) << error;
  EXPECT_EQ(out.pixels, std::vector<uint32_t>{0xFF102030});
}

TEST(IcoImage, PicksTheRequestedSizeElseTheLargest) {
  Image one = TwoByTwo();
  Image big = TwoByTwo();
  big.size = 4;
  big.xor_rows = std::string(16, '\x11');  // all red
  big.and_rows = std::string(16, '\0');
  const std::string ico = Ico({Bmp(one), Bmp(big)}, {2, 4});
  IconImage out;
  ASSERT_TRUE(DecodeIcoImage(ico, 2, &out, nullptr));
  EXPECT_EQ(out.width, 2);
  ASSERT_TRUE(DecodeIcoImage(ico, 32, &out, nullptr));
  EXPECT_EQ(out.width, 4);
  EXPECT_EQ(out.pixels.front(), 0xFFFF0000u);
}

TEST(IcoImage, RejectsDamagedFilesWithAReason) {
  const std::string good = Ico({Bmp(TwoByTwo())}, {2});
  Image bad_index = TwoByTwo();
  bad_index.xor_rows[0] = '\x90';  // colour 9 of a 4-colour palette
  Image eight_planes = TwoByTwo();
  std::string planes = Bmp(eight_planes);
  planes[12] = 8;
  const struct {
    const char* name;
    std::string file;
  } cases[] = {
      {"empty", ""},
      {"not an icon", "GIF89a......"},
      {"no images", std::string("\0\0\1\0\0\0", 6)},
      {"directory cut short", good.substr(0, 12)},
      {"pixels cut short", good.substr(0, good.size() - 5)},
      {"offset beyond the end",
       [&] {
         std::string s = good;
         s[18] = '\x7F';
         return s;
       }()},
      {"PNG image", Ico({std::string("\x89PNG\r\n\x1A\n", 8) + std::string(40, '\0')}, {2})},
      {"bad palette index", Ico({Bmp(bad_index)}, {2})},
      {"several planes", Ico({planes}, {2})},
  };
  for (const auto& c : cases) {
    IconImage out;
    std::string error;
    EXPECT_FALSE(DecodeIcoImage(c.file, 2, &out, &error)) << c.name;
    EXPECT_FALSE(error.empty()) << c.name;
  }
}

}  // namespace
}  // namespace corvelin::platform::sdl
