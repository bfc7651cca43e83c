// Decoding and composing GIF pictures into template images.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/images/picture.h"
#include "tests/gif_fixtures.h"

namespace corvelin {
namespace {

using testing::Fill;
using testing::GifFrameSpec;
using testing::GifSpec;
using testing::MakeGif;
using testing::Screen;

constexpr Pixel kRed = 0xFFFF0000;
constexpr Pixel kGreen = 0xFF00FF00;
constexpr Pixel kBlue = 0xFF0000FF;

PictureResult Decode(const std::vector<uint8_t>& bytes, TransparencyRule rule = {},
                     const PictureLimits& limits = {}) {
  return DecodePicture(bytes, rule, limits);
}

// A frame as rows of letters joined by '/': R, G, B, W (opaque white),
// '.' unpainted, '?' anything else.
std::string Render(const Image& image, const Frame& frame) {
  std::string out;
  for (int y = 0; y < image.height; ++y) {
    if (y > 0) out += '/';
    for (int x = 0; x < image.width; ++x) {
      switch (frame.pixels[static_cast<size_t>(y * image.width + x)]) {
        case kRed:
          out += 'R';
          break;
        case kGreen:
          out += 'G';
          break;
        case kBlue:
          out += 'B';
          break;
        case kOpaqueWhite:
          out += 'W';
          break;
        case kUnpainted:
          out += '.';
          break;
        default:
          out += '?';
      }
    }
  }
  return out;
}

std::vector<std::string> RenderAll(const Image& image) {
  std::vector<std::string> out;
  for (const Frame& f : image.frames) out.push_back(Render(image, f));
  return out;
}

GifFrameSpec WithDisposal(GifFrameSpec f, int disposal) {
  f.disposal = disposal;
  return f;
}

struct CompositionCase {
  const char* name;
  GifSpec gif;
  std::vector<std::string> frames;
};

std::vector<CompositionCase> CompositionCases() {
  std::vector<CompositionCase> cases;
  cases.push_back({"disposal 1 keeps the frame",
                   Screen(3, 2, {WithDisposal(Fill(0, 0, 3, 2, 0), 1), Fill(1, 1, 1, 1, 1)}),
                   {"RRR/RRR", "RRR/RGR"}});
  cases.push_back({"no disposal keeps the frame",
                   Screen(2, 1, {Fill(0, 0, 1, 1, 0), Fill(1, 0, 1, 1, 2)}),
                   {"R.", "RB"}});
  cases.push_back({"disposal 2 restores white transparent",
                   Screen(3, 2,
                          {WithDisposal(Fill(0, 0, 3, 2, 0), 1),
                           WithDisposal(Fill(0, 0, 2, 1, 1), 2), Fill(2, 1, 1, 1, 2)}),
                   {"RRR/RRR", "GGR/RRR", "..R/RRB"}});
  cases.push_back({"disposal 3 restores the previous state",
                   Screen(3, 2,
                          {WithDisposal(Fill(0, 0, 3, 2, 0), 1),
                           WithDisposal(Fill(0, 0, 2, 2, 1), 3), Fill(2, 1, 1, 1, 2)}),
                   {"RRR/RRR", "GGR/GGR", "RRR/RRB"}});
  cases.push_back({"disposal 3 on the first frame restores unpainted",
                   Screen(2, 1, {WithDisposal(Fill(0, 0, 1, 1, 1), 3), Fill(1, 0, 1, 1, 2)}),
                   {"G.", ".B"}});
  {
    GifFrameSpec holes = Fill(0, 0, 3, 1, 2);
    holes.indices = {2, 3, 2};  // index 3 (white) is transparent
    holes.transparent = 3;
    cases.push_back({"transparent index leaves the buffer unchanged",
                     Screen(3, 1, {Fill(0, 0, 3, 1, 0), holes}),
                     {"RRR", "BRB"}});
    GifFrameSpec first = holes;
    cases.push_back(
        {"transparent index on an empty buffer stays unpainted", Screen(3, 1, {first}), {"B.B"}});
  }
  cases.push_back(
      {"offset frame is clipped to the screen", Screen(3, 2, {Fill(2, 1, 2, 2, 1)}), {".../..G"}});
  cases.push_back({"frame wholly outside the screen paints nothing",
                   Screen(2, 1, {Fill(0, 0, 1, 1, 0), Fill(5, 5, 2, 2, 1)}),
                   {"R.", "R."}});
  {
    GifFrameSpec local = Fill(0, 0, 2, 1, 0);
    local.indices = {0, 1};
    local.local = {{0, 0, 255}, {255, 255, 255}};  // index 0 blue, 1 white
    cases.push_back({"local table replaces the global one",
                     Screen(2, 1, {local, Fill(0, 0, 1, 1, 0)}),
                     {"BW", "RW"}});
    GifFrameSpec second = Fill(1, 0, 1, 1, 1);
    second.local = {{0, 255, 0}, {0, 0, 255}};  // index 1 blue
    cases.push_back({"local tables on consecutive frames",
                     Screen(2, 1, {local, second, local}),
                     {"BW", "BB", "BW"}});
  }
  {
    GifFrameSpec interlaced = Fill(0, 0, 1, 10, 0);
    for (int y = 0; y < 10; ++y) interlaced.indices[static_cast<size_t>(y)] = y % 4;
    interlaced.interlaced = true;
    cases.push_back(
        {"interlaced rows are put in order", Screen(1, 10, {interlaced}), {"R/G/B/W/R/G/B/W/R/G"}});
  }
  return cases;
}

TEST(DecodePicture, ComposesFramesInOrder) {
  for (const CompositionCase& c : CompositionCases()) {
    SCOPED_TRACE(c.name);
    const PictureResult result = Decode(MakeGif(c.gif));
    ASSERT_EQ(result.status, PictureStatus::kOk) << result.diagnostic;
    ASSERT_TRUE(result.image);
    EXPECT_TRUE(result.diagnostic.empty());
    EXPECT_EQ(result.image->width, c.gif.width);
    EXPECT_EQ(result.image->height, c.gif.height);
    EXPECT_EQ(RenderAll(*result.image), c.frames);
  }
}

TEST(DecodePicture, DisplayTimeIsDelayTimesTenWithZeroAsFifty) {
  GifSpec layout = Screen(
      1, 1, {Fill(0, 0, 1, 1, 0), Fill(0, 0, 1, 1, 1), Fill(0, 0, 1, 1, 2), Fill(0, 0, 1, 1, 0)});
  layout.frames[0].delay = 6;
  layout.frames[1].delay = 30;
  layout.frames[2].delay = 0;
  layout.frames[3].control = false;  // no control block at all
  const PictureResult result = Decode(MakeGif(layout));
  ASSERT_EQ(result.status, PictureStatus::kOk) << result.diagnostic;
  std::vector<uint32_t> times;
  for (const Frame& f : result.image->frames) times.push_back(f.display_ms);
  EXPECT_EQ(times, (std::vector<uint32_t>{60, 300, 50, 50}));
}

// Each frame's transparent colour and the mask that follows from it.
TEST(DecodePicture, TransparentColourPerFrame) {
  // Frame 1 leaves the top-left unpainted; frame 2 paints it green.
  GifFrameSpec first = Fill(1, 0, 2, 1, 3);
  first.indices = {3, 0};  // white, red
  const GifSpec layout = Screen(3, 1, {first, Fill(0, 0, 1, 1, 1)});
  const std::vector<uint8_t> bytes = MakeGif(layout);

  struct Case {
    const char* name;
    TransparencyRule rule;
    std::optional<Pixel> frame1, frame2;
    std::string solid1, solid2;  // per pixel: 1 solid, 0 not
  };
  const Case cases[] = {
      {"top-left: unpainted counts as white",
       {true, kNoColour},
       kOpaqueWhite,
       kGreen,
       "001",
       "011"},
      {"top-left wins over a colour", {true, 0x00FF0000}, kOpaqueWhite, kGreen, "001", "011"},
      {"fixed colour, red in 0x00BBGGRR", {false, 0x000000FF}, kRed, kRed, "010", "110"},
      {"no colour", {false, kNoColour}, std::nullopt, std::nullopt, "011", "111"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const PictureResult result = Decode(bytes, c.rule);
    ASSERT_EQ(result.status, PictureStatus::kOk) << result.diagnostic;
    const Image& image = *result.image;
    ASSERT_EQ(image.frames.size(), 2u);
    EXPECT_EQ(RenderAll(image), (std::vector<std::string>{".WR", "GWR"}));
    EXPECT_EQ(image.frames[0].transparent, c.frame1);
    EXPECT_EQ(image.frames[1].transparent, c.frame2);
    const std::string expected[] = {c.solid1, c.solid2};
    for (size_t i = 0; i < 2; ++i) {
      std::string solid;
      for (int x = 0; x < 3; ++x) solid += image.frames[i].solid.At(x, 0) ? '1' : '0';
      EXPECT_EQ(solid, expected[i]) << "frame " << i + 1;
    }
  }
}

// --- Hand-made byte streams for what the encoder will not write ---------

void Append(std::vector<uint8_t>& out, std::initializer_list<int> bytes) {
  for (int b : bytes) out.push_back(static_cast<uint8_t>(b));
}

// "GIF89a", a w x h screen and, if `table`, a two-entry global table
// (red, green).
std::vector<uint8_t> Header(int w, int h, bool table = true) {
  std::vector<uint8_t> out = {'G', 'I', 'F', '8', '9', 'a'};
  Append(out, {w & 0xFF, w >> 8, h & 0xFF, h >> 8, table ? 0x80 : 0x00, 0, 0});
  if (table) Append(out, {255, 0, 0, 0, 255, 0});
  return out;
}

void ImageDescriptor(std::vector<uint8_t>& out, int w, int h) {
  Append(out, {0x2C, 0, 0, 0, 0, w & 0xFF, w >> 8, h & 0xFF, h >> 8, 0});
}

// LZW data with a minimum code size of 2: `codes` packed three bits each.
void CodeData(std::vector<uint8_t>& out, std::initializer_list<int> codes) {
  std::vector<uint8_t> packed;
  uint32_t acc = 0;
  int bits = 0;
  for (int code : codes) {
    acc |= static_cast<uint32_t>(code) << bits;
    bits += 3;
    while (bits >= 8) {
      packed.push_back(static_cast<uint8_t>(acc & 0xFF));
      acc >>= 8;
      bits -= 8;
    }
  }
  if (bits > 0) packed.push_back(static_cast<uint8_t>(acc));
  out.push_back(2);
  out.push_back(static_cast<uint8_t>(packed.size()));
  out.insert(out.end(), packed.begin(), packed.end());
  out.push_back(0);
}

TEST(DecodePicture, ZeroSizeFrameGivesAnUnchangedFrame) {
  std::vector<uint8_t> gif = Header(2, 1);
  ImageDescriptor(gif, 1, 1);
  CodeData(gif, {4, 1, 5});  // clear, green, end
  ImageDescriptor(gif, 0, 0);
  CodeData(gif, {4, 5});
  gif.push_back(0x3B);
  const PictureResult result = Decode(gif);
  ASSERT_EQ(result.status, PictureStatus::kOk) << result.diagnostic;
  EXPECT_EQ(RenderAll(*result.image), (std::vector<std::string>{"G.", "G."}));
}

TEST(DecodePicture, MissingTrailerAfterACompleteFrameIsAccepted) {
  std::vector<uint8_t> gif = MakeGif(Screen(1, 1, {Fill(0, 0, 1, 1, 2)}));
  ASSERT_EQ(gif.back(), 0x3B);
  gif.pop_back();
  const PictureResult result = Decode(gif);
  ASSERT_EQ(result.status, PictureStatus::kOk) << result.diagnostic;
  EXPECT_EQ(RenderAll(*result.image), (std::vector<std::string>{"B"}));
}

struct ErrorCase {
  const char* name;
  std::vector<uint8_t> bytes;
  PictureStatus status;
  const char* diagnostic_part;
  PictureLimits limits = {};
};

std::vector<uint8_t> Cut(std::vector<uint8_t> bytes, size_t size) {
  bytes.resize(size);
  return bytes;
}

std::vector<ErrorCase> ErrorCases() {
  const std::vector<uint8_t> three =
      MakeGif(Screen(3, 2, {Fill(0, 0, 3, 2, 0), Fill(0, 0, 3, 2, 1), Fill(0, 0, 3, 2, 2)}));
  std::vector<ErrorCase> cases;
  cases.push_back({"empty", {}, PictureStatus::kEmpty, "no bytes"});
  cases.push_back({"PNG",
                   {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13},
                   PictureStatus::kUnsupported,
                   "PNG pictures are not supported"});
  cases.push_back({"JPEG", {0xFF, 0xD8, 0xFF, 0xE0, 0, 16}, PictureStatus::kUnsupported, "JPEG"});
  cases.push_back(
      {"text", {'h', 'e', 'l', 'l', 'o', '!', '!'}, PictureStatus::kUnsupported, "unknown format"});
  cases.push_back({"GIF signature of another version",
                   {'G', 'I', 'F', '9', '0', 'a', 1, 0, 1, 0, 0, 0, 0},
                   PictureStatus::kUnsupported,
                   "only GIF"});
  cases.push_back(
      {"cut inside the signature", {'G', 'I', 'F', '8'}, PictureStatus::kTruncated, "truncated"});
  cases.push_back(
      {"cut inside the screen descriptor", Cut(three, 9), PictureStatus::kTruncated, "header"});
  cases.push_back(
      {"cut inside the global table", Cut(three, 16), PictureStatus::kTruncated, "header"});
  cases.push_back({"cut inside the last frame's data", Cut(three, three.size() - 3),
                   PictureStatus::kTruncated, "frame 3"});
  cases.push_back({"cut before the last block terminator", Cut(three, three.size() - 2),
                   PictureStatus::kTruncated, "frame 3"});
  cases.push_back({"screen beyond the side limit", MakeGif(Screen(5000, 20, {Fill(0, 0, 1, 1, 0)})),
                   PictureStatus::kTooLarge, "5000 x 20"});
  {
    std::vector<uint8_t> huge = Header(2, 2);
    ImageDescriptor(huge, 0xFFFF, 0xFFFF);
    CodeData(huge, {4, 0, 5});
    huge.push_back(0x3B);
    cases.push_back({"frame beyond the side limit", huge, PictureStatus::kTooLarge, "65535"});
  }
  {
    GifSpec many = Screen(1, 1, {});
    many.frames.assign(4100, Fill(0, 0, 1, 1, 0));
    cases.push_back({"more frames than the default cap", MakeGif(many), PictureStatus::kTooLarge,
                     "4096 frames"});
  }
  cases.push_back(
      {"frame cap", three, PictureStatus::kTooLarge, "2 frames", PictureLimits{.max_frames = 2}});
  cases.push_back({"total bytes", three, PictureStatus::kTooLarge, "frame 3",
                   PictureLimits{.max_total_bytes = 2 * 3 * 2 * 4}});
  cases.push_back({"decoded pixels", three, PictureStatus::kTooLarge, "frame 2",
                   PictureLimits{.max_decoded_pixels = 11}});
  cases.push_back({"empty screen", MakeGif(Screen(0, 0, {Fill(0, 0, 1, 1, 0)})),
                   PictureStatus::kMalformed, "empty logical screen"});
  {
    std::vector<uint8_t> bytes = Header(1, 1, false);
    ImageDescriptor(bytes, 1, 1);
    CodeData(bytes, {4, 0, 5});
    bytes.push_back(0x3B);
    cases.push_back({"no colour table", bytes, PictureStatus::kMalformed, "no colour table"});
  }
  {
    std::vector<uint8_t> bytes = Header(1, 1);
    ImageDescriptor(bytes, 1, 1);
    CodeData(bytes, {4, 7, 5});  // 7 is not in the code table yet
    bytes.push_back(0x3B);
    cases.push_back({"undefined LZW code", bytes, PictureStatus::kMalformed, "frame 1"});
  }
  {
    std::vector<uint8_t> bytes = Header(1, 1);
    Append(bytes, {0x99, 0x3B});  // neither image, extension nor trailer
    cases.push_back({"unknown block", bytes, PictureStatus::kMalformed, "after frame 0"});
  }
  cases.push_back({"no frames", Header(1, 1), PictureStatus::kTruncated, "after frame 0"});
  {
    std::vector<uint8_t> bytes = Header(1, 1);
    bytes.push_back(0x3B);
    cases.push_back({"trailer only", bytes, PictureStatus::kMalformed, "no frames"});
  }
  return cases;
}

TEST(DecodePicture, BadInputGivesNoImageAndSaysWhy) {
  for (const ErrorCase& c : ErrorCases()) {
    SCOPED_TRACE(c.name);
    const PictureResult result = DecodePicture(c.bytes, {true, kNoColour}, c.limits);
    EXPECT_EQ(result.status, c.status) << ToString(result.status) << ": " << result.diagnostic;
    EXPECT_EQ(result.image, nullptr);
    EXPECT_NE(result.diagnostic.find(c.diagnostic_part), std::string::npos) << result.diagnostic;
  }
}

}  // namespace
}  // namespace corvelin
