// Line layout of text images over a tiny fixed-metric rasteriser.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/images/image.h"
#include "runtime/platform/platform.h"
#include "runtime/text/text_image.h"

namespace corvelin {
namespace {

using platform::FontSpec;
using platform::LineBitmap;

// Every byte is a 4-pixel cell holding a 3 x 5 block; lines are 6 pixels high.
// A carriage return would show as a cell like any other byte.
constexpr int32_t kCell = 4;
constexpr int32_t kGlyphW = 3;
constexpr int32_t kGlyphH = 5;
constexpr int32_t kLineH = 6;

class FakeTextBackend final : public platform::Backend {
 public:
  std::vector<std::string> lines_seen;
  std::vector<const FontSpec*> fonts_seen;
  bool fail = false;

  static bool GlyphAt(std::string_view line, int32_t x, int32_t y) {
    return x >= 0 && x / kCell < static_cast<int32_t>(line.size()) && x % kCell < kGlyphW &&
           y >= 0 && y < kGlyphH;
  }

  std::optional<LineBitmap> RasteriseLine(std::string_view gbk, const FontSpec* font) override {
    lines_seen.emplace_back(gbk);
    fonts_seen.push_back(font);
    if (fail) return std::nullopt;
    LineBitmap b;
    b.width = static_cast<int32_t>(gbk.size()) * kCell;
    b.height = kLineH;
    b.bits.assign(static_cast<size_t>(b.width * b.height), 0);
    for (int32_t y = 0; y < b.height; ++y) {
      for (int32_t x = 0; x < b.width; ++x) b.bits[y * b.width + x] = GlyphAt(gbk, x, y) ? 1 : 0;
    }
    return b;
  }

  const char* Name() const override { return "fake-text"; }
  platform::Size ScreenSize() override { return {}; }
  uint32_t TickCount() override { return 0; }
  platform::NativeWindow* CreateTopLevel(const platform::WindowParams&,
                                         platform::WindowSink*) override {
    return nullptr;
  }
  platform::Rect WindowRect(platform::NativeWindow*) override { return {}; }
  platform::Insets WindowFrame(platform::NativeWindow*) override { return {}; }
  void SetWindowRect(platform::NativeWindow*, const platform::Rect&) override {}
  void ShowWindow(platform::NativeWindow*) override {}
  void RestoreAndActivate(platform::NativeWindow*) override {}
  void DestroyWindow(platform::NativeWindow*) override {}
  platform::NativeControl* CreateControl(platform::NativeWindow*, const platform::ControlParams&,
                                         platform::ControlSink*) override {
    return nullptr;
  }
  platform::Rect ControlRect(platform::NativeControl*) override { return {}; }
  void SetControlRect(platform::NativeControl*, const platform::Rect&) override {}
  void ShowControl(platform::NativeControl*) override {}
  void StartTimer(platform::NativeControl*, uint32_t) override {}
  void StopTimer(platform::NativeControl*) override {}
  void Invalidate(platform::NativeControl*, const platform::Rect&) override {}
  void UpdateNow(platform::NativeControl*) override {}
  int RunMessageLoop() override { return 0; }
  void PostQuit(int) override {}
  std::string GbkToUtf8(std::string_view gbk) override { return std::string(gbk); }
  void ShowFatalError(std::string_view) override {}
};

// The pixel the fake rasteriser's layout puts at (x, y) for `lines`.
bool ExpectedInk(const std::vector<std::string>& lines, int32_t x, int32_t y) {
  int32_t top = 0;
  for (const std::string& line : lines) {
    if (y >= top && y < top + kLineH) return FakeTextBackend::GlyphAt(line, x, y - top);
    top += kLineH + 2;
  }
  return false;
}

TEST(TextImage, LaysOutLinesLeftAlignedWithTwoPixelGaps) {
  struct Case {
    std::string text;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {"ab", {"ab"}},
      {"ab\r\ncd", {"ab", "cd"}},  // the carriage return never reaches the rasteriser
      {"ab\n", {"ab"}},            // a final line feed starts no line
      {"ab\r\n", {"ab"}},
      {"a\nbcd\n\nef", {"a", "bcd", "", "ef"}},  // an empty line keeps its height
      {"a\rb", {"a\rb"}},                        // a lone carriage return is a character
      {"\xc4\xe3\n\xba\xc3", {"\xc4\xe3", "\xba\xc3"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.text));
    FakeTextBackend backend;
    const uint32_t red = 0x0000FF;
    SharedImage image = MakeTextImage(backend, c.text, nullptr, red);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(backend.lines_seen, c.lines);

    size_t widest = 0;
    for (const std::string& l : c.lines) widest = std::max(widest, l.size());
    const auto n = static_cast<int32_t>(c.lines.size());
    EXPECT_EQ(image->width, static_cast<int32_t>(widest) * kCell);
    EXPECT_EQ(image->height, n * kLineH + (n - 1) * 2);
    ASSERT_EQ(image->frames.size(), 1u);
    const Frame& frame = image->frames[0];
    EXPECT_EQ(frame.transparent, std::nullopt);
    EXPECT_EQ(frame.display_ms, 0u);
    ASSERT_EQ(frame.pixels.size(), static_cast<size_t>(image->width * image->height));
    int mismatches = 0;
    for (int32_t y = 0; y < image->height; ++y) {
      for (int32_t x = 0; x < image->width; ++x) {
        const Pixel want = ExpectedInk(c.lines, x, y) ? 0xFFFF0000u : kUnpainted;
        if (frame.pixels[y * image->width + x] != want) ++mismatches;
      }
    }
    EXPECT_EQ(mismatches, 0);
  }
}

TEST(TextImage, GlyphPixelsAreExactlyTheColourAndSolidEvenInWhite) {
  for (const uint32_t colour : {0x000000u, 0x0000FFu, 0x123456u, 0xFFFFFFu}) {
    SCOPED_TRACE(colour);
    FakeTextBackend backend;
    SharedImage image = MakeTextImage(backend, "xy\nz", nullptr, colour);
    ASSERT_NE(image, nullptr);
    const Frame& frame = image->frames[0];
    ASSERT_EQ(frame.solid.width, image->width);
    ASSERT_EQ(frame.solid.height, image->height);
    const std::vector<std::string> lines = {"xy", "z"};
    int inked = 0;
    for (int32_t y = 0; y < image->height; ++y) {
      for (int32_t x = 0; x < image->width; ++x) {
        const bool ink = ExpectedInk(lines, x, y);
        const Pixel p = frame.pixels[y * image->width + x];
        EXPECT_EQ(p, ink ? ColourToPixel(colour) : kUnpainted) << x << "," << y;
        EXPECT_EQ(frame.solid.At(x, y), ink) << x << "," << y;
        inked += ink;
      }
    }
    EXPECT_EQ(inked, 3 * kGlyphW * kGlyphH);
  }
}

TEST(TextImage, NoImageWithoutWidthHeightOrRasteriser) {
  for (const std::string_view text : {"", "\n", "\r\n", "\n\n"}) {
    SCOPED_TRACE(testing::PrintToString(std::string(text)));
    FakeTextBackend backend;
    EXPECT_EQ(MakeTextImage(backend, text, nullptr, 0), nullptr);
  }
  FakeTextBackend failing;
  failing.fail = true;
  EXPECT_EQ(MakeTextImage(failing, "ab", nullptr, 0), nullptr);
}

TEST(TextImage, PassesTheFontToEveryLine) {
  FakeTextBackend backend;
  FontSpec font;
  font.height = -20;
  ASSERT_NE(MakeTextImage(backend, "a\nb", &font, 0), nullptr);
  EXPECT_EQ(backend.fonts_seen, (std::vector<const FontSpec*>{&font, &font}));
}

std::string LogFont(int32_t height, int32_t weight, uint8_t italic, std::string_view face) {
  std::string b(60, '\0');
  auto put32 = [&](size_t at, int32_t v) {
    for (size_t i = 0; i < 4; ++i)
      b[at + i] = static_cast<char>((static_cast<uint32_t>(v) >> (8 * i)) & 0xFF);
  };
  put32(0, height);
  put32(4, 7);  // width, escapement, orientation: not used
  put32(8, 900);
  put32(16, weight);
  b[20] = static_cast<char>(italic);
  b[21] = 1;                       // underline, not used
  b[23] = static_cast<char>(134);  // GB2312 charset
  b.replace(28, face.size(), face);
  return b;
}

TEST(TextImage, ParsesLogFontFields) {
  const std::string song = "\xcb\xce\xcc\xe5";  // 宋体
  struct Case {
    std::string bytes;
    int32_t height;
    int32_t weight;
    bool italic;
    std::string face;
  };
  const Case cases[] = {
      {LogFont(-12, 400, 0, song), -12, 400, false, song},
      {LogFont(20, 700, 1, "Arial"), 20, 700, true, "Arial"},
      {LogFont(-0x12345678, 0, 0xFF, ""), -0x12345678, 0, true, ""},
      // A face name filling all 32 bytes has no terminator of its own.
      {LogFont(0, 400, 0, std::string(32, 'F')), 0, 400, false, std::string(32, 'F')},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.face);
    const std::optional<FontSpec> f = ParseLogFont(c.bytes);
    ASSERT_TRUE(f.has_value());
    EXPECT_EQ(f->height, c.height);
    EXPECT_EQ(f->weight, c.weight);
    EXPECT_EQ(f->italic, c.italic);
    EXPECT_EQ(f->face, c.face);
  }
  const std::string good = LogFont(-12, 400, 0, "A");
  EXPECT_FALSE(ParseLogFont("").has_value());
  EXPECT_FALSE(ParseLogFont(good.substr(0, 59)).has_value());
  EXPECT_FALSE(ParseLogFont(good + '\0').has_value());
}

}  // namespace
}  // namespace corvelin
