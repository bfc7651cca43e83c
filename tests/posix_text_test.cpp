// The Linux text services: iconv GBK conversion and the fontconfig/FreeType
// rasteriser, with the fonts installed on this machine.
#if !defined(_WIN32)

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <numeric>
#include <optional>
#include <string>
#include <string_view>

#include "runtime/platform/host_text.h"
#include "runtime/platform/platform.h"

namespace corvelin::platform {
namespace {

// The instruction line: 39 characters, 78 bytes of GBK.
constexpr std::string_view kInstructionGbk =
    "\xbe\xe0\xc0\xeb\xb5\xe7\xc4\xd4\xc6\xc1\xc4\xbb\xd2\xbb\xc3\xd7\xd7\xf3\xd3\xd2"
    "\xa3\xac\xc1\xb3\xb6\xd4\xd7\xc5\xc6\xc1\xc4\xbb\xd6\xd0\xbc\xe4\xce\xe6\xd7\xa1"
    "\xd7\xf3\xd1\xdb\xd3\xc3\xd3\xd2\xd1\xdb\xbc\xaf\xd6\xd0\xbe\xab\xc1\xa6\xb5\xc4"
    "\xbf\xb4\xc3\xc0\xc5\xae\xbb\xe1\xd3\xd0\xc6\xe6\xbc\xa3\xb7\xa2\xc9\xfa";
constexpr std::string_view kInstructionUtf8 =
    "距离电脑屏幕一米左右，脸对着屏幕中间捂住左眼用右眼集中精力的看美女会有奇迹发生";
constexpr int32_t kInstructionChars = 39;

int SetPixels(const LineBitmap& b) {
  return std::accumulate(b.bits.begin(), b.bits.end(), 0);
}

// Well-formed and monochrome: one byte per pixel, each 0 or 1.
void ExpectMonochrome(const LineBitmap& b) {
  ASSERT_EQ(b.bits.size(), static_cast<size_t>(b.width) * static_cast<size_t>(b.height));
  EXPECT_TRUE(std::all_of(b.bits.begin(), b.bits.end(), [](uint8_t v) { return v <= 1; }));
}

LineBitmap Rasterise(std::string_view gbk, const FontSpec* font) {
  std::optional<LineBitmap> b = host::RasteriseLine(gbk, font);
  EXPECT_TRUE(b.has_value());
  return b.value_or(LineBitmap{});
}

FontSpec Font(int32_t height, int32_t weight = 400, bool italic = false, std::string face = {}) {
  FontSpec f;
  f.height = height;
  f.weight = weight;
  f.italic = italic;
  f.face = std::move(face);
  return f;
}

TEST(PosixText, InstructionLineInTheDefaultFont) {
  // The default font is 12 pixels to the em: its line height is the empty
  // line's, and each CJK character advances about one em.
  const LineBitmap empty = Rasterise("", nullptr);
  EXPECT_EQ(empty.width, 0);
  EXPECT_GE(empty.height, 12);
  EXPECT_LE(empty.height, 18);

  const LineBitmap line = Rasterise(kInstructionGbk, nullptr);
  ExpectMonochrome(line);
  EXPECT_EQ(line.height, empty.height);
  EXPECT_GE(line.width, kInstructionChars * 11);
  EXPECT_LE(line.width, kInstructionChars * 13);
  EXPECT_GT(SetPixels(line), kInstructionChars * 12);

  // Laying out is just placing glyphs one after another: the first two
  // characters on their own are the left part of the whole line.
  const LineBitmap head = Rasterise(kInstructionGbk.substr(0, 4), nullptr);
  ASSERT_EQ(head.height, line.height);
  ASSERT_LT(head.width, line.width);
  ASSERT_GT(SetPixels(head), 0);
  int differing = 0;
  for (int32_t y = 0; y < head.height; ++y) {
    for (int32_t x = 0; x < head.width; ++x) {
      differing += head.bits[y * head.width + x] != line.bits[y * line.width + x];
    }
  }
  EXPECT_EQ(differing, 0);

  // Text glyphs reach the right end: the last character was drawn.
  int right_ink = 0;
  for (int32_t y = 0; y < line.height; ++y) {
    for (int32_t x = line.width - 8; x < line.width; ++x)
      right_ink += line.bits[y * line.width + x];
  }
  EXPECT_GT(right_ink, 0);
}

TEST(PosixText, HonoursTheStoredFont) {
  const std::string_view text = kInstructionGbk.substr(0, 20);  // ten characters
  const FontSpec regular = Font(-12);
  const LineBitmap base = Rasterise(text, &regular);
  ExpectMonochrome(base);
  const LineBitmap deflt = Rasterise(text, nullptr);
  EXPECT_EQ(base.bits, deflt.bits) << "a 12-pixel character height is the default size";

  // Character height -24: twice the default in both directions.
  const FontSpec big = Font(-24);
  const LineBitmap twice = Rasterise(text, &big);
  ExpectMonochrome(twice);
  EXPECT_NEAR(twice.height, 2 * base.height, 2);
  EXPECT_NEAR(twice.width, 2 * base.width, 10);

  // A positive height is the cell height: ascender minus descender.
  for (const int32_t cell : {10, 20, 32}) {
    SCOPED_TRACE(cell);
    const FontSpec f = Font(cell);
    const LineBitmap b = Rasterise(text, &f);
    ExpectMonochrome(b);
    EXPECT_NEAR(b.height, cell, 1);
  }

  const FontSpec bold = Font(-12, 700);
  const LineBitmap heavy = Rasterise(text, &bold);
  ExpectMonochrome(heavy);
  EXPECT_EQ(heavy.height, base.height);
  EXPECT_GT(SetPixels(heavy), SetPixels(base) * 11 / 10);
  const FontSpec semibold = Font(-12, 600);
  EXPECT_EQ(Rasterise(text, &semibold).bits, heavy.bits);
  const FontSpec medium = Font(-12, 500);
  EXPECT_EQ(Rasterise(text, &medium).bits, base.bits);

  const FontSpec italic = Font(-12, 400, true);
  const LineBitmap slanted = Rasterise(text, &italic);
  ExpectMonochrome(slanted);
  EXPECT_EQ(slanted.height, base.height);
  EXPECT_NE(slanted.bits, base.bits);

  // A face that is not installed falls back to the default face.
  const FontSpec missing = Font(-12, 400, false, "No Such Face \xb7\xa2");
  EXPECT_EQ(Rasterise(text, &missing).bits, base.bits);
}

TEST(PosixText, FindsAnInstalledFaceByName) {
  if (!std::filesystem::exists("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf")) {
    GTEST_SKIP() << "DejaVu Sans is not installed";
  }
  const FontSpec dejavu = Font(-12, 400, false, "DejaVu Sans");
  const FontSpec missing = Font(-12, 400, false, "No Such Face");
  const LineBitmap a = Rasterise("Hello, World", &dejavu);
  const LineBitmap b = Rasterise("Hello, World", &missing);
  ExpectMonochrome(a);
  EXPECT_NE(a.bits, b.bits);
}

TEST(PosixText, GbkToUtf8) {
  EXPECT_EQ(host::GbkToUtf8(kInstructionGbk), kInstructionUtf8);
  struct Case {
    std::string_view gbk;
    std::string_view utf8;
  };
  const Case cases[] = {
      {"", ""},
      {"plain ASCII\r\n", "plain ASCII\r\n"},
      {"\x80", "€"},             // the code page's euro sign
      {"\x81", "\xEF\xBF\xBD"},  // lead byte cut off at the end
      {"a\xFF"
       "b",
       "a\xEF\xBF\xBD"
       "b"},  // never a valid byte
      {"\xc4\xe3\x81", "你\xEF\xBF\xBD"},
      {"\x81\x20z", "\xEF\xBF\xBD z"},  // bad trail byte: the space survives
      {"\xFF\xFF\xFF", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::string(c.gbk)));
    EXPECT_EQ(host::GbkToUtf8(c.gbk), c.utf8);
  }
  // Long input with bad bytes scattered through it.
  std::string long_gbk;
  std::string long_utf8;
  for (int i = 0; i < 2000; ++i) {
    long_gbk += std::string(kInstructionGbk) + "\xFF";
    long_utf8 += std::string(kInstructionUtf8) + "\xEF\xBF\xBD";
  }
  EXPECT_EQ(host::GbkToUtf8(long_gbk), long_utf8);
}

TEST(PosixText, InvalidBytesStillRasterise) {
  const LineBitmap b = Rasterise("\xFF\x81", nullptr);
  ExpectMonochrome(b);
  EXPECT_GT(b.width, 0);
}

}  // namespace
}  // namespace corvelin::platform

#endif  // !_WIN32
