#include "runtime/images/picture.h"

#include <gif_lib.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <string_view>

namespace corvelin {

const char* ToString(PictureStatus status) {
  switch (status) {
    case PictureStatus::kOk:
      return "ok";
    case PictureStatus::kEmpty:
      return "empty";
    case PictureStatus::kUnsupported:
      return "unsupported";
    case PictureStatus::kTruncated:
      return "truncated";
    case PictureStatus::kMalformed:
      return "malformed";
    case PictureStatus::kTooLarge:
      return "too large";
  }
  return "unknown";
}

namespace {

// The result of a step that went well; the decoder goes on.
PictureResult Fine() {
  PictureResult result;
  result.status = PictureStatus::kOk;
  return result;
}

PictureResult Failure(PictureStatus status, std::string diagnostic) {
  PictureResult result;
  result.status = status;
  result.diagnostic = std::move(diagnostic);
  return result;
}

bool StartsWith(std::span<const uint8_t> bytes, std::string_view prefix) {
  return bytes.size() >= prefix.size() &&
         std::memcmp(bytes.data(), prefix.data(), prefix.size()) == 0;
}

// Names the formats a picture property may hold besides GIF, so that the
// diagnostic says what was found.
const char* OtherFormatName(std::span<const uint8_t> bytes) {
  using namespace std::string_view_literals;
  if (StartsWith(bytes, "\x89PNG\r\n\x1a\n"sv)) return "PNG";
  if (StartsWith(bytes, "\xFF\xD8\xFF"sv)) return "JPEG";
  if (StartsWith(bytes, "BM"sv)) return "BMP";
  if (StartsWith(bytes, "\0\0\1\0"sv)) return "ICO";
  if (StartsWith(bytes, "\0\0\2\0"sv)) return "CUR";
  return nullptr;
}

struct Reader {
  std::span<const uint8_t> bytes;
  size_t pos = 0;
  bool AtEnd() const { return pos >= bytes.size(); }
};

int ReadBytes(GifFileType* gif, GifByteType* out, int wanted) {
  auto* reader = static_cast<Reader*>(gif->UserData);
  if (wanted <= 0) return 0;
  const size_t n = std::min(static_cast<size_t>(wanted), reader->bytes.size() - reader->pos);
  if (n > 0) std::memcpy(out, reader->bytes.data() + reader->pos, n);
  reader->pos += n;
  return static_cast<int>(n);
}

struct GifCloser {
  void operator()(GifFileType* gif) const {
    int error = 0;
    DGifCloseFile(gif, &error);
  }
};

using Palette = std::array<Pixel, 256>;

// Colour table entries as pixels; indexes past the table's end are opaque black.
Palette MakePalette(const ColorMapObject* map) {
  Palette palette;
  palette.fill(0xFF000000u);
  if (map == nullptr || map->Colors == nullptr) return palette;
  const int count = std::clamp(map->ColorCount, 0, 256);
  for (int i = 0; i < count; ++i) {
    const GifColorType& c = map->Colors[i];
    palette[static_cast<size_t>(i)] =
        0xFF000000u | (Pixel{c.Red} << 16) | (Pixel{c.Green} << 8) | Pixel{c.Blue};
  }
  return palette;
}

// Rows of an interlaced frame arrive in four passes: every 8th row from 0,
// every 8th from 4, every 4th from 2, every 2nd from 1.
std::vector<int32_t> RowOrder(int32_t height, bool interlaced) {
  std::vector<int32_t> order;
  order.reserve(static_cast<size_t>(height));
  if (!interlaced) {
    for (int32_t y = 0; y < height; ++y) order.push_back(y);
    return order;
  }
  constexpr int32_t kStart[] = {0, 4, 2, 1};
  constexpr int32_t kStep[] = {8, 8, 4, 2};
  for (int pass = 0; pass < 4; ++pass) {
    for (int32_t y = kStart[pass]; y < height; y += kStep[pass]) order.push_back(y);
  }
  return order;
}

// A clipped rectangle of the logical screen.
struct Area {
  int32_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  bool Empty() const { return x0 >= x1 || y0 >= y1; }
};

class GifDecoder {
 public:
  GifDecoder(std::span<const uint8_t> bytes, const TransparencyRule& rule,
             const PictureLimits& limits)
      : reader_{bytes, 0}, rule_(rule), limits_(limits) {}

  PictureResult Run();

 private:
  PictureResult GifError(int code, const std::string& where) const;
  PictureResult ReadExtension();
  PictureResult ReadFrame();

  Reader reader_;
  TransparencyRule rule_;
  PictureLimits limits_;
  std::unique_ptr<GifFileType, GifCloser> gif_;
  int32_t width_ = 0;
  int32_t height_ = 0;
  Palette global_{};
  std::vector<Pixel> canvas_;
  std::vector<Pixel> saved_;
  std::vector<GifPixelType> line_;
  GraphicsControlBlock control_{};
  uint64_t decoded_pixels_ = 0;
  std::shared_ptr<Image> image_;
};

GraphicsControlBlock NoControl() {
  GraphicsControlBlock gcb{};
  gcb.DisposalMode = DISPOSAL_UNSPECIFIED;
  gcb.UserInputFlag = false;
  gcb.DelayTime = 0;
  gcb.TransparentColor = NO_TRANSPARENT_COLOR;
  return gcb;
}

PictureResult GifDecoder::GifError(int code, const std::string& where) const {
  const char* text = GifErrorString(code);
  const std::string detail = text != nullptr ? std::string(" (") + text + ")" : std::string();
  // A failed read, or a header the library could not find, once every byte
  // has been read means the data stopped early.
  if (reader_.AtEnd() && (code == D_GIF_ERR_READ_FAILED || code == D_GIF_ERR_NO_SCRN_DSCR)) {
    return Failure(PictureStatus::kTruncated,
                   "GIF picture is truncated: the data ends inside " + where + detail);
  }
  if (code == D_GIF_ERR_NOT_ENOUGH_MEM) {
    return Failure(PictureStatus::kTooLarge, "GIF picture needs too much memory at " + where);
  }
  return Failure(PictureStatus::kMalformed, "GIF picture is malformed in " + where + detail);
}

PictureResult GifDecoder::Run() {
  int error = 0;
  gif_.reset(DGifOpen(&reader_, ReadBytes, &error));
  if (!gif_) return GifError(error, "its header");

  width_ = gif_->SWidth;
  height_ = gif_->SHeight;
  if (width_ <= 0 || height_ <= 0) {
    return Failure(PictureStatus::kMalformed, "GIF picture has an empty logical screen (" +
                                                  std::to_string(width_) + " x " +
                                                  std::to_string(height_) + ")");
  }
  if (width_ > limits_.max_side || height_ > limits_.max_side) {
    return Failure(PictureStatus::kTooLarge,
                   "GIF picture's logical screen " + std::to_string(width_) + " x " +
                       std::to_string(height_) + " exceeds the limit of " +
                       std::to_string(limits_.max_side) + " pixels per side");
  }
  global_ = MakePalette(gif_->SColorMap);
  canvas_.assign(static_cast<size_t>(width_) * static_cast<size_t>(height_), kUnpainted);
  control_ = NoControl();
  image_ = std::make_shared<Image>();
  image_->width = width_;
  image_->height = height_;

  for (;;) {
    GifRecordType type = UNDEFINED_RECORD_TYPE;
    if (DGifGetRecordType(gif_.get(), &type) == GIF_ERROR) {
      // A file that stops right after a complete frame only lacks its
      // trailer; everything it holds has been read.
      if (gif_->Error == D_GIF_ERR_READ_FAILED && reader_.AtEnd() && !image_->frames.empty()) {
        break;
      }
      return GifError(gif_->Error,
                      "the block after frame " + std::to_string(image_->frames.size()));
    }
    if (type == TERMINATE_RECORD_TYPE) break;
    PictureResult step = Fine();
    if (type == EXTENSION_RECORD_TYPE) {
      step = ReadExtension();
    } else if (type == IMAGE_DESC_RECORD_TYPE) {
      step = ReadFrame();
    } else {
      return Failure(PictureStatus::kMalformed, "GIF picture has an unknown block after frame " +
                                                    std::to_string(image_->frames.size()));
    }
    if (step.status != PictureStatus::kOk) return step;
  }

  if (image_->frames.empty()) {
    return Failure(PictureStatus::kMalformed, "GIF picture holds no frames");
  }
  PictureResult result = Fine();
  result.image = std::move(image_);
  return result;
}

PictureResult GifDecoder::ReadExtension() {
  const std::string where =
      "an extension block after frame " + std::to_string(image_->frames.size());
  int code = 0;
  GifByteType* block = nullptr;
  if (DGifGetExtension(gif_.get(), &code, &block) == GIF_ERROR) {
    return GifError(gif_->Error, where);
  }
  if (code == GRAPHICS_EXT_FUNC_CODE && block != nullptr) {
    // A control block of the wrong length is ignored like an unknown one.
    GraphicsControlBlock gcb = NoControl();
    if (DGifExtensionToGCB(block[0], block + 1, &gcb) == GIF_OK) control_ = gcb;
  }
  while (block != nullptr) {
    if (DGifGetExtensionNext(gif_.get(), &block) == GIF_ERROR) {
      return GifError(gif_->Error, where);
    }
  }
  return Fine();
}

PictureResult GifDecoder::ReadFrame() {
  const size_t index = image_->frames.size();
  const std::string name = "frame " + std::to_string(index + 1);
  if (index >= static_cast<size_t>(std::max(limits_.max_frames, 0))) {
    return Failure(PictureStatus::kTooLarge,
                   "GIF picture has more than " + std::to_string(limits_.max_frames) + " frames");
  }
  const uint64_t frame_bytes = uint64_t{canvas_.size()} * sizeof(Pixel);
  if (frame_bytes * (index + 1) > limits_.max_total_bytes) {
    return Failure(PictureStatus::kTooLarge, "GIF picture's frames would take more than " +
                                                 std::to_string(limits_.max_total_bytes >> 20) +
                                                 " MiB at " + name);
  }
  if (DGifGetImageDesc(gif_.get()) == GIF_ERROR) return GifError(gif_->Error, name);

  const GifImageDesc& desc = gif_->Image;
  const int32_t fw = desc.Width;
  const int32_t fh = desc.Height;
  if (fw < 0 || fh < 0 || fw > limits_.max_side || fh > limits_.max_side) {
    return Failure(PictureStatus::kTooLarge,
                   "GIF picture's " + name + " of " + std::to_string(fw) + " x " +
                       std::to_string(fh) + " exceeds the limit of " +
                       std::to_string(limits_.max_side) + " pixels per side");
  }
  decoded_pixels_ += uint64_t(fw) * uint64_t(fh);
  if (decoded_pixels_ > limits_.max_decoded_pixels) {
    return Failure(PictureStatus::kTooLarge, "GIF picture's frames hold more than " +
                                                 std::to_string(limits_.max_decoded_pixels) +
                                                 " pixels at " + name);
  }

  const GraphicsControlBlock control = control_;
  control_ = NoControl();  // a control block governs only the frame that follows it

  // The part of the frame that lies on the logical screen.
  Area area;
  area.x0 = std::clamp<int32_t>(desc.Left, 0, width_);
  area.y0 = std::clamp<int32_t>(desc.Top, 0, height_);
  area.x1 = std::clamp<int32_t>(desc.Left + fw, 0, width_);
  area.y1 = std::clamp<int32_t>(desc.Top + fh, 0, height_);

  if (control.DisposalMode == DISPOSE_PREVIOUS && !area.Empty()) {
    saved_.clear();
    for (int32_t y = area.y0; y < area.y1; ++y) {
      const Pixel* row = canvas_.data() + static_cast<size_t>(y) * width_;
      saved_.insert(saved_.end(), row + area.x0, row + area.x1);
    }
  }

  if (fw == 0 || fh == 0) {
    // No pixels: skip the image data without decoding it.
    int code_size = 0;
    GifByteType* block = nullptr;
    if (DGifGetCode(gif_.get(), &code_size, &block) == GIF_ERROR) {
      return GifError(gif_->Error, name);
    }
    while (block != nullptr) {
      if (DGifGetCodeNext(gif_.get(), &block) == GIF_ERROR) return GifError(gif_->Error, name);
    }
  } else {
    if (desc.ColorMap == nullptr && gif_->SColorMap == nullptr) {
      return Failure(PictureStatus::kMalformed,
                     "GIF picture's " + name + " has no colour table, local or global");
    }
    const Palette local = desc.ColorMap != nullptr ? MakePalette(desc.ColorMap) : Palette{};
    const Palette& palette = desc.ColorMap != nullptr ? local : global_;
    const int transparent = control.TransparentColor;
    line_.resize(static_cast<size_t>(fw));
    for (int32_t row : RowOrder(fh, desc.Interlace)) {
      if (DGifGetLine(gif_.get(), line_.data(), fw) == GIF_ERROR) {
        return GifError(gif_->Error, name);
      }
      const int32_t y = desc.Top + row;
      if (y < area.y0 || y >= area.y1) continue;
      Pixel* out = canvas_.data() + static_cast<size_t>(y) * width_;
      const GifPixelType* in = line_.data() + (area.x0 - desc.Left);
      for (int32_t x = area.x0; x < area.x1; ++x) {
        const int value = *in++;
        if (value != transparent) out[x] = palette[static_cast<size_t>(value)];
      }
    }
  }

  Frame& frame = image_->frames.emplace_back();
  frame.pixels = canvas_;
  frame.display_ms = control.DelayTime > 0 ? static_cast<uint32_t>(control.DelayTime) * 10u : 50u;
  if (rule_.from_top_left) {
    const Pixel corner = frame.pixels[0];
    frame.transparent = (corner >> 24) == 0 ? kOpaqueWhite : corner;
  } else if (rule_.colour != kNoColour) {
    frame.transparent = ColourToPixel(rule_.colour);
  }
  BuildMask(frame, width_, height_);

  // Disposal prepares the screen for the next frame.
  if (!area.Empty() && control.DisposalMode == DISPOSE_BACKGROUND) {
    for (int32_t y = area.y0; y < area.y1; ++y) {
      Pixel* row = canvas_.data() + static_cast<size_t>(y) * width_;
      std::fill(row + area.x0, row + area.x1, kUnpainted);
    }
  } else if (!area.Empty() && control.DisposalMode == DISPOSE_PREVIOUS) {
    const Pixel* from = saved_.data();
    const size_t span = static_cast<size_t>(area.x1 - area.x0);
    for (int32_t y = area.y0; y < area.y1; ++y) {
      std::copy(from, from + span, canvas_.data() + static_cast<size_t>(y) * width_ + area.x0);
      from += span;
    }
  }
  return Fine();
}

}  // namespace

PictureResult DecodePicture(std::span<const uint8_t> bytes, const TransparencyRule& rule) {
  return DecodePicture(bytes, rule, PictureLimits{});
}

PictureResult DecodePicture(std::span<const uint8_t> bytes, const TransparencyRule& rule,
                            const PictureLimits& limits) {
  using namespace std::string_view_literals;
  if (bytes.empty()) return Failure(PictureStatus::kEmpty, "the picture holds no bytes");
  if (StartsWith(bytes, "GIF87a"sv) || StartsWith(bytes, "GIF89a"sv)) {
    return GifDecoder(bytes, rule, limits).Run();
  }
  const std::string_view head(reinterpret_cast<const char*>(bytes.data()),
                              std::min<size_t>(bytes.size(), 6));
  if (head.size() < 6 && ("GIF87a"sv.starts_with(head) || "GIF89a"sv.starts_with(head))) {
    return Failure(PictureStatus::kTruncated, "GIF picture is truncated inside its signature");
  }
  if (const char* name = OtherFormatName(bytes)) {
    return Failure(PictureStatus::kUnsupported,
                   std::string(name) +
                       " pictures are not supported: only GIF pictures can be "
                       "decoded");
  }
  return Failure(PictureStatus::kUnsupported,
                 "the picture is in an unknown format: only GIF pictures (GIF87a, GIF89a) can be "
                 "decoded");
}

}  // namespace corvelin
