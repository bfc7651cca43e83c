#include "assets/generator/encode.h"

#include <gif_lib.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <stdexcept>
#include <tuple>

namespace corvelin::assetgen {

namespace {

std::uint8_t Channel(double v) {
  return static_cast<std::uint8_t>(std::clamp(std::lround(v), 0L, 255L));
}

int Channel(const Colour8& c, int axis) {
  return axis == 0 ? c.r : axis == 1 ? c.g : c.b;
}

struct Bucket {
  std::vector<std::pair<Colour8, std::size_t>> colours;  // distinct colour, how often
  int axis = 0;                                          // widest channel
  int spread = 0;                                        // its range
  std::size_t weight = 0;
};

void Measure(Bucket& bucket) {
  bucket.weight = 0;
  bucket.spread = -1;
  for (int axis = 0; axis < 3; ++axis) {
    int lo = 255, hi = 0;
    for (const auto& [c, n] : bucket.colours) {
      lo = std::min(lo, Channel(c, axis));
      hi = std::max(hi, Channel(c, axis));
    }
    if (hi - lo > bucket.spread) {
      bucket.spread = hi - lo;
      bucket.axis = axis;
    }
  }
  for (const auto& entry : bucket.colours) bucket.weight += entry.second;
}

ColorMapObject* MakeMap(const std::vector<Colour8>& palette) {
  if (palette.size() != 256) throw std::runtime_error("colour tables here have 256 entries");
  GifColorType colours[256];
  for (std::size_t i = 0; i < 256; ++i) colours[i] = {palette[i].r, palette[i].g, palette[i].b};
  ColorMapObject* map = GifMakeMapObject(256, colours);
  if (map == nullptr) throw std::runtime_error("out of memory for a colour table");
  return map;
}

int AppendOutput(GifFileType* gif, const GifByteType* data, int length) {
  auto* out = static_cast<Bytes*>(gif->UserData);
  out->insert(out->end(), data, data + length);
  return length;
}

void Check(int status, GifFileType* gif, const char* what) {
  if (status == GIF_ERROR) {
    throw std::runtime_error(std::string("GIF encoder failed at ") + what + ": " +
                             GifErrorString(gif->Error));
  }
}

// An application extension: the identifier block, then the given data
// sub-blocks (at most 255 bytes each).
void PutApplication(GifFileType* gif, const std::string& identifier,
                    const std::vector<Bytes>& sub_blocks) {
  Check(EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE), gif, "extension");
  Check(EGifPutExtensionBlock(gif, static_cast<int>(identifier.size()), identifier.data()), gif,
        "extension");
  for (const Bytes& block : sub_blocks) {
    Check(EGifPutExtensionBlock(gif, static_cast<int>(block.size()), block.data()), gif,
          "extension");
  }
  Check(EGifPutExtensionTrailer(gif), gif, "extension");
}

// XMP in GIF keeps the packet's bytes as they are, with no sub-block lengths of
// its own: readers that walk sub-blocks take the packet's bytes for lengths, and
// the "magic trailer" (0x01, 0xFF, 0xFE .. 0x01, 0x00, 0x00) steers any such walk
// onto the block terminator. Here the walk is done up front so that the encoder
// writes exactly those bytes.
std::vector<Bytes> XmpSubBlocks(const std::string& packet) {
  Bytes raw(packet.begin(), packet.end());
  raw.push_back(0x01);
  for (int v = 0xFF; v >= 0x00; --v) raw.push_back(static_cast<std::uint8_t>(v));
  // The last 0x00 of the trailer is the terminator, which the encoder adds.
  std::vector<Bytes> blocks;
  std::size_t at = 0;
  while (at < raw.size()) {
    const std::size_t length = raw[at];
    if (length == 0 || at + 1 + length > raw.size()) {
      throw std::runtime_error("XMP packet does not walk onto the magic trailer's end");
    }
    blocks.emplace_back(raw.begin() + static_cast<long>(at) + 1,
                        raw.begin() + static_cast<long>(at + 1 + length));
    at += 1 + length;
  }
  return blocks;
}

void PutLe16(Bytes& out, unsigned v) {
  out.push_back(static_cast<std::uint8_t>(v & 0xFF));
  out.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
}

void PutLe32(Bytes& out, unsigned v) {
  PutLe16(out, v & 0xFFFF);
  PutLe16(out, v >> 16);
}

}  // namespace

Colour8 FigureColour(const Pixel& pixel) {
  Colour8 c{Channel(pixel.colour.r), Channel(pixel.colour.g), Channel(pixel.colour.b)};
  if (c.r >= 248 && c.g >= 248 && c.b >= 248) c = {246, 246, 246};
  return c;
}

std::vector<Colour8> FigurePalette(const std::vector<std::vector<Pixel>>& frames,
                                   std::size_t count) {
  std::vector<Colour8> painted;
  for (const auto& frame : frames) {
    for (const Pixel& p : frame) {
      if (IsFigure(p)) painted.push_back(FigureColour(p));
    }
  }
  std::vector<Colour8> palette = MedianCut(painted, count);
  palette.resize(count);
  return palette;
}

std::vector<Colour8> MedianCut(const std::vector<Colour8>& colours, std::size_t count) {
  std::map<std::tuple<int, int, int>, std::size_t> histogram;
  for (const Colour8& c : colours) ++histogram[{c.r, c.g, c.b}];
  Bucket all;
  for (const auto& [key, n] : histogram) {
    all.colours.push_back(
        {{static_cast<std::uint8_t>(std::get<0>(key)), static_cast<std::uint8_t>(std::get<1>(key)),
          static_cast<std::uint8_t>(std::get<2>(key))},
         n});
  }
  Measure(all);
  std::vector<Bucket> buckets{all};
  while (buckets.size() < count) {
    // Split the bucket with the most weighted spread, at its weighted median.
    std::size_t pick = buckets.size();
    double best = 0;
    for (std::size_t i = 0; i < buckets.size(); ++i) {
      const double score = static_cast<double>(buckets[i].spread) * buckets[i].spread *
                           std::sqrt(static_cast<double>(buckets[i].weight));
      if (buckets[i].colours.size() > 1 && score > best) {
        best = score;
        pick = i;
      }
    }
    if (pick == buckets.size()) break;
    Bucket& b = buckets[pick];
    const int axis = b.axis;
    std::stable_sort(b.colours.begin(), b.colours.end(), [axis](const auto& x, const auto& y) {
      return Channel(x.first, axis) < Channel(y.first, axis);
    });
    std::size_t seen = 0, cut = 1;
    for (std::size_t i = 0; i + 1 < b.colours.size(); ++i) {
      seen += b.colours[i].second;
      cut = i + 1;
      if (seen * 2 >= b.weight) break;
    }
    Bucket upper;
    upper.colours.assign(b.colours.begin() + static_cast<long>(cut), b.colours.end());
    b.colours.resize(cut);
    Measure(b);
    Measure(upper);
    buckets.push_back(std::move(upper));
  }
  std::vector<Colour8> palette;
  for (const Bucket& b : buckets) {
    double r = 0, g = 0, bl = 0;
    for (const auto& [c, n] : b.colours) {
      r += static_cast<double>(c.r) * n;
      g += static_cast<double>(c.g) * n;
      bl += static_cast<double>(c.b) * n;
    }
    const double w = static_cast<double>(b.weight);
    palette.push_back({Channel(r / w), Channel(g / w), Channel(bl / w)});
  }
  return palette;
}

std::uint8_t PaletteMapper::Nearest(Colour8 c) const {
  const std::uint32_t key = static_cast<std::uint32_t>(c.r << 16 | c.g << 8 | c.b);
  if (auto hit = cache_.find(key); hit != cache_.end()) return hit->second;
  std::size_t best = 0;
  long best_distance = -1;
  for (std::size_t i = 0; i < palette_.size(); ++i) {
    const long dr = c.r - palette_[i].r, dg = c.g - palette_[i].g, db = c.b - palette_[i].b;
    const long d = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
    if (best_distance < 0 || d < best_distance) {
      best_distance = d;
      best = i;
    }
  }
  return cache_[key] = static_cast<std::uint8_t>(best);
}

Bytes EncodeGif(const GifPicture& picture) {
  Bytes out;
  int error = 0;
  GifFileType* gif = EGifOpen(&out, AppendOutput, &error);
  if (gif == nullptr) throw std::runtime_error(GifErrorString(error));
  try {
    EGifSetGifVersion(gif, true);
    ColorMapObject* global = MakeMap(picture.global_palette);
    const int screen =
        EGifPutScreenDesc(gif, picture.width, picture.height, 8, picture.background, global);
    GifFreeMapObject(global);
    Check(screen, gif, "screen descriptor");

    const Bytes loop_forever{1, 0, 0};
    PutApplication(gif, "NETSCAPE2.0", {loop_forever});
    if (!picture.xmp_packet.empty()) {
      PutApplication(gif, "XMP DataXMP", XmpSubBlocks(picture.xmp_packet));
    }

    for (const GifFrame& frame : picture.frames) {
      GraphicsControlBlock gcb{};
      gcb.DisposalMode = frame.disposal;
      gcb.UserInputFlag = false;
      gcb.DelayTime = frame.delay;
      gcb.TransparentColor = frame.transparent < 0 ? NO_TRANSPARENT_COLOR : frame.transparent;
      GifByteType control[4];
      EGifGCBToExtension(&gcb, control);
      Check(EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, control), gif, "control block");

      ColorMapObject* local = frame.local_palette.empty() ? nullptr : MakeMap(frame.local_palette);
      const int desc = EGifPutImageDesc(gif, 0, 0, picture.width, picture.height, false, local);
      if (local != nullptr) GifFreeMapObject(local);
      Check(desc, gif, "image descriptor");
      Bytes row(static_cast<std::size_t>(picture.width));
      for (int y = 0; y < picture.height; ++y) {
        std::copy_n(frame.indices.begin() + static_cast<long>(y) * picture.width, picture.width,
                    row.begin());
        Check(EGifPutLine(gif, row.data(), picture.width), gif, "image data");
      }
    }
  } catch (...) {
    EGifCloseFile(gif, &error);
    throw;
  }
  if (EGifCloseFile(gif, &error) == GIF_ERROR) throw std::runtime_error(GifErrorString(error));
  return out;
}

Bytes EncodeIco(const std::vector<IconImage>& images) {
  // Header and directory first, then each image: BITMAPINFOHEADER with twice the
  // height (colour bitmap plus mask), 16-entry palette, 4-bit colour rows and
  // 1-bit mask rows, both bottom row first and padded to 32 bits.
  std::vector<Bytes> bodies;
  for (const IconImage& image : images) {
    const int n = image.size;
    const std::size_t colour_stride = static_cast<std::size_t>((n * 4 + 31) / 32 * 4);
    const std::size_t mask_stride = static_cast<std::size_t>((n + 31) / 32 * 4);
    Bytes body;
    PutLe32(body, 40);
    PutLe32(body, static_cast<unsigned>(n));
    PutLe32(body, static_cast<unsigned>(2 * n));
    PutLe16(body, 1);  // planes
    PutLe16(body, 4);  // bits per pixel
    PutLe32(body, 0);  // no compression
    PutLe32(body, static_cast<unsigned>((colour_stride + mask_stride) * n));
    PutLe32(body, 0);
    PutLe32(body, 0);
    PutLe32(body, 16);  // colours used
    PutLe32(body, 0);
    for (const Colour8& c : image.palette) body.insert(body.end(), {c.b, c.g, c.r, 0});
    for (int y = n - 1; y >= 0; --y) {
      Bytes row(colour_stride, 0);
      for (int x = 0; x < n; ++x) {
        const std::size_t i = static_cast<std::size_t>(y * n + x);
        const std::uint8_t index = image.transparent[i] ? 0 : image.indices[i] & 0x0F;
        row[static_cast<std::size_t>(x / 2)] |= x % 2 == 0 ? index << 4 : index;
      }
      body.insert(body.end(), row.begin(), row.end());
    }
    for (int y = n - 1; y >= 0; --y) {
      Bytes row(mask_stride, 0);
      for (int x = 0; x < n; ++x) {
        if (image.transparent[static_cast<std::size_t>(y * n + x)]) {
          row[static_cast<std::size_t>(x / 8)] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
        }
      }
      body.insert(body.end(), row.begin(), row.end());
    }
    bodies.push_back(std::move(body));
  }

  Bytes out;
  PutLe16(out, 0);  // reserved
  PutLe16(out, 1);  // icon
  PutLe16(out, static_cast<unsigned>(images.size()));
  std::size_t offset = 6 + 16 * images.size();
  for (std::size_t i = 0; i < images.size(); ++i) {
    const auto side = static_cast<std::uint8_t>(images[i].size);  // 256 would be 0
    out.insert(out.end(), {side, side, 16, 0});
    PutLe16(out, 1);  // planes
    PutLe16(out, 4);  // bits per pixel
    PutLe32(out, static_cast<unsigned>(bodies[i].size()));
    PutLe32(out, static_cast<unsigned>(offset));
    offset += bodies[i].size();
  }
  for (const Bytes& body : bodies) out.insert(out.end(), body.begin(), body.end());
  return out;
}

}  // namespace corvelin::assetgen
