#include "runtime/text/text_image.h"

#include <algorithm>
#include <vector>

namespace corvelin {
namespace {

constexpr int32_t kLineGap = 2;
// Text images beyond this many pixels are refused rather than allocated.
constexpr int64_t kMaxTextPixels = int64_t{1} << 26;

// The lines of `text`: cut at each line feed, a carriage return just before
// it dropped, no line after a final line feed.
std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const size_t lf = text.find('\n');
    std::string_view line = text.substr(0, lf);
    if (lf != std::string_view::npos && !line.empty() && line.back() == '\r') {
      line.remove_suffix(1);
    }
    lines.push_back(line);
    if (lf == std::string_view::npos) break;
    text.remove_prefix(lf + 1);
  }
  return lines;
}

int32_t ReadInt32(std::string_view bytes, size_t at) {
  uint32_t v = 0;
  for (size_t i = 0; i < 4; ++i)
    v |= uint32_t{static_cast<unsigned char>(bytes[at + i])} << (8 * i);
  return static_cast<int32_t>(v);
}

}  // namespace

SharedImage MakeTextImage(platform::Backend& backend, std::string_view gbk,
                          const platform::FontSpec* font, uint32_t text_colour) {
  std::vector<platform::LineBitmap> lines;
  int64_t width = 0;
  int64_t height = 0;
  for (std::string_view text : SplitLines(gbk)) {
    std::optional<platform::LineBitmap> line = backend.RasteriseLine(text, font);
    if (!line || line->width < 0 || line->height < 0 ||
        line->bits.size() < static_cast<size_t>(line->width) * static_cast<size_t>(line->height)) {
      return nullptr;
    }
    if (!lines.empty()) height += kLineGap;
    width = std::max<int64_t>(width, line->width);
    height += line->height;
    if (width * height > kMaxTextPixels || height > kMaxTextPixels) return nullptr;
    lines.push_back(std::move(*line));
  }
  if (width == 0 || height == 0) return nullptr;

  auto image = std::make_shared<Image>();
  image->width = static_cast<int32_t>(width);
  image->height = static_cast<int32_t>(height);
  Frame frame;
  frame.pixels.assign(static_cast<size_t>(width * height), kUnpainted);
  const Pixel ink = ColourToPixel(text_colour);
  int64_t top = 0;
  for (const platform::LineBitmap& line : lines) {
    for (int32_t y = 0; y < line.height; ++y) {
      const uint8_t* src = line.bits.data() + static_cast<size_t>(y) * line.width;
      Pixel* dst = frame.pixels.data() + static_cast<size_t>((top + y) * width);
      for (int32_t x = 0; x < line.width; ++x) {
        if (src[x] != 0) dst[x] = ink;
      }
    }
    top += line.height + kLineGap;
  }
  frame.transparent = std::nullopt;  // the unpainted pixels are transparent by alpha
  frame.display_ms = 0;
  BuildMask(frame, image->width, image->height);
  image->frames.push_back(std::move(frame));
  return image;
}

std::optional<platform::FontSpec> ParseLogFont(std::string_view bytes) {
  constexpr size_t kSize = 60;
  constexpr size_t kHeightAt = 0;
  constexpr size_t kWeightAt = 16;
  constexpr size_t kItalicAt = 20;
  constexpr size_t kFaceAt = 28;
  constexpr size_t kFaceSize = 32;
  if (bytes.size() != kSize) return std::nullopt;
  platform::FontSpec font_spec;
  font_spec.height = ReadInt32(bytes, kHeightAt);
  font_spec.weight = ReadInt32(bytes, kWeightAt);
  font_spec.italic = bytes[kItalicAt] != 0;
  const std::string_view face = bytes.substr(kFaceAt, kFaceSize);
  font_spec.face = std::string(face.substr(0, face.find('\0')));
  return font_spec;
}

}  // namespace corvelin
