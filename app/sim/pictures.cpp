#include "app/sim/pictures.h"

#include <gif_lib.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace corvelin::sim {

// --- PNG -------------------------------------------------------------------

namespace {

uint32_t Crc32(const uint8_t* data, size_t n, uint32_t crc = 0) {
  static const std::array<uint32_t, 256> table = [] {
    std::array<uint32_t, 256> t{};
    for (uint32_t i = 0; i < 256; ++i) {
      uint32_t c = i;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[i] = c;
    }
    return t;
  }();
  crc = ~crc;
  for (size_t i = 0; i < n; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

void Put32(std::vector<uint8_t>& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

void Chunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data) {
  Put32(out, static_cast<uint32_t>(data.size()));
  const size_t start = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  Put32(out, Crc32(out.data() + start, out.size() - start));
}

}  // namespace

std::vector<uint8_t> EncodePng(const std::vector<uint32_t>& pixels, int32_t width, int32_t height) {
  std::vector<uint8_t> raw;
  raw.reserve(static_cast<size_t>(height) * (1 + 3 * static_cast<size_t>(width)));
  for (int32_t y = 0; y < height; ++y) {
    raw.push_back(0);  // filter: none
    for (int32_t x = 0; x < width; ++x) {
      const uint32_t p = pixels[static_cast<size_t>(y) * width + x];
      raw.push_back(static_cast<uint8_t>(p >> 16));
      raw.push_back(static_cast<uint8_t>(p >> 8));
      raw.push_back(static_cast<uint8_t>(p));
    }
  }
  // zlib stream of stored blocks.
  std::vector<uint8_t> z = {0x78, 0x01};
  size_t pos = 0;
  do {
    const size_t n = std::min<size_t>(65535, raw.size() - pos);
    const bool final = pos + n == raw.size();
    z.push_back(final ? 1 : 0);
    z.push_back(static_cast<uint8_t>(n));
    z.push_back(static_cast<uint8_t>(n >> 8));
    z.push_back(static_cast<uint8_t>(~n));
    z.push_back(static_cast<uint8_t>(~n >> 8));
    z.insert(z.end(), raw.begin() + static_cast<ptrdiff_t>(pos),
             raw.begin() + static_cast<ptrdiff_t>(pos + n));
    pos += n;
  } while (pos < raw.size());
  uint32_t a = 1, b = 0;
  for (uint8_t c : raw) {
    a = (a + c) % 65521;
    b = (b + a) % 65521;
  }
  Put32(z, (b << 16) | a);

  std::vector<uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<uint8_t> ihdr;
  Put32(ihdr, static_cast<uint32_t>(width));
  Put32(ihdr, static_cast<uint32_t>(height));
  ihdr.insert(ihdr.end(), {8, 2, 0, 0, 0});  // 8-bit RGB
  Chunk(out, "IHDR", ihdr);
  Chunk(out, "IDAT", z);
  Chunk(out, "IEND", {});
  return out;
}

static bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes,
                      std::string* error) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) {
    *error = "cannot write '" + path + "': " + std::strerror(errno);
    return false;
  }
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  if (std::fclose(f) != 0 || !ok) {
    *error = "cannot write '" + path + "': " + std::strerror(errno);
    return false;
  }
  return true;
}

bool WritePng(const std::string& path, const std::vector<uint32_t>& pixels, int32_t width,
              int32_t height, std::string* error) {
  return WriteFile(path, EncodePng(pixels, width, height), error);
}

// --- GIF recording ---------------------------------------------------------

namespace {

// 6 x 6 x 6 colour cube, then 40 greys.
uint8_t PaletteIndex(uint32_t p) {
  const int r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
  if (std::abs(r - g) < 12 && std::abs(g - b) < 12) {
    return static_cast<uint8_t>(216 + std::min(39, (r + g + b) / 3 * 40 / 256));
  }
  const auto level = [](int c) { return (c * 5 + 127) / 255; };
  return static_cast<uint8_t>(level(r) * 36 + level(g) * 6 + level(b));
}

}  // namespace

struct GifRecorder::State {
  struct FrameRec {
    int32_t x, y, w, h;
    uint16_t delay;
    std::vector<uint8_t> indices;
  };
  int32_t width = 0, height = 0;
  std::vector<uint8_t> last;
  std::vector<FrameRec> frames;
};

GifRecorder::GifRecorder() : state_(std::make_unique<State>()) {}
GifRecorder::~GifRecorder() = default;
size_t GifRecorder::frames() const {
  return state_->frames.size();
}

void GifRecorder::Add(const std::vector<uint32_t>& pixels, int32_t width, int32_t height,
                      uint32_t delay_ms) {
  State& s = *state_;
  const int32_t w = std::max(1, width / 2), h = std::max(1, height / 2);
  if (s.frames.empty()) {
    s.width = w;
    s.height = h;
  }
  if (w != s.width || h != s.height) return;  // the recording keeps its first size
  std::vector<uint8_t> idx(static_cast<size_t>(w) * h);
  for (int32_t y = 0; y < h; ++y) {
    for (int32_t x = 0; x < w; ++x) {
      idx[static_cast<size_t>(y) * w + x] =
          PaletteIndex(pixels[static_cast<size_t>(y * 2) * width + x * 2]);
    }
  }
  const uint16_t delay = static_cast<uint16_t>(std::max<uint32_t>(2, (delay_ms + 5) / 10));
  int32_t x0 = 0, y0 = 0, x1 = w, y1 = h;
  if (!s.last.empty()) {
    x0 = w, y0 = h, x1 = 0, y1 = 0;
    for (int32_t y = 0; y < h; ++y) {
      for (int32_t x = 0; x < w; ++x) {
        const size_t i = static_cast<size_t>(y) * w + x;
        if (idx[i] != s.last[i]) {
          x0 = std::min(x0, x), y0 = std::min(y0, y);
          x1 = std::max(x1, x + 1), y1 = std::max(y1, y + 1);
        }
      }
    }
    if (x1 <= x0) {  // nothing changed: show the previous frame longer
      s.frames.back().delay = static_cast<uint16_t>(s.frames.back().delay + delay);
      return;
    }
  }
  State::FrameRec f{x0, y0, x1 - x0, y1 - y0, delay, {}};
  f.indices.reserve(static_cast<size_t>(f.w) * f.h);
  for (int32_t y = y0; y < y1; ++y) {
    const auto row = idx.begin() + static_cast<ptrdiff_t>(y) * w;
    f.indices.insert(f.indices.end(), row + x0, row + x1);
  }
  s.frames.push_back(std::move(f));
  s.last = std::move(idx);
}

bool GifRecorder::Write(const std::string& path, std::string* error) {
  State& s = *state_;
  if (s.frames.empty()) {
    *error = "no frames were recorded";
    return false;
  }
  int err = 0;
  // Through stdio so that the file gets the usual permissions.
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) {
    *error = "cannot write '" + path + "': " + std::strerror(errno);
    return false;
  }
  GifFileType* gif = EGifOpen(
      file,
      [](GifFileType* g, const GifByteType* data, int n) {
        return static_cast<int>(
            std::fwrite(data, 1, static_cast<size_t>(n), static_cast<std::FILE*>(g->UserData)));
      },
      &err);
  if (gif == nullptr) {
    std::fclose(file);
    *error = "cannot write '" + path + "': " + GifErrorString(err);
    return false;
  }
  GifColorType colours[256] = {};
  for (int i = 0; i < 216; ++i) {
    colours[i] = {static_cast<GifByteType>(i / 36 * 51), static_cast<GifByteType>(i / 6 % 6 * 51),
                  static_cast<GifByteType>(i % 6 * 51)};
  }
  for (int i = 0; i < 40; ++i) {
    const auto v = static_cast<GifByteType>(i * 255 / 39);
    colours[216 + i] = {v, v, v};
  }
  ColorMapObject* map = GifMakeMapObject(256, colours);
  bool ok = EGifPutScreenDesc(gif, s.width, s.height, 8, 0, map) == GIF_OK;
  GifFreeMapObject(map);
  EGifSetGifVersion(gif, true);
  const unsigned char loop[] = {1, 0, 0};
  ok = ok && EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE) == GIF_OK &&
       EGifPutExtensionBlock(gif, 11, "NETSCAPE2.0") == GIF_OK &&
       EGifPutExtensionBlock(gif, 3, loop) == GIF_OK && EGifPutExtensionTrailer(gif) == GIF_OK;
  for (State::FrameRec& f : s.frames) {
    if (!ok) break;
    GraphicsControlBlock gcb{};
    gcb.DisposalMode = DISPOSE_DO_NOT;
    gcb.DelayTime = f.delay;
    gcb.TransparentColor = NO_TRANSPARENT_COLOR;
    GifByteType ext[4];
    const size_t len = EGifGCBToExtension(&gcb, ext);
    ok = EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(len), ext) == GIF_OK &&
         EGifPutImageDesc(gif, f.x, f.y, f.w, f.h, false, nullptr) == GIF_OK;
    for (int32_t y = 0; ok && y < f.h; ++y) {
      ok = EGifPutLine(gif, f.indices.data() + static_cast<size_t>(y) * f.w, f.w) == GIF_OK;
    }
  }
  if (EGifCloseFile(gif, &err) != GIF_OK) ok = false;
  if (std::fclose(file) != 0) ok = false;
  if (!ok) *error = "cannot write '" + path + "': " + GifErrorString(err);
  return ok;
}

}  // namespace corvelin::sim
