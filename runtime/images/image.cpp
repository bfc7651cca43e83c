#include "runtime/images/image.h"

#include <algorithm>
#include <bit>
#include <tuple>

namespace corvelin {

size_t Image::PixelBytes() const {
  size_t total = 0;
  for (const Frame& frame : frames) total += frame.pixels.size() * sizeof(Pixel);
  return total;
}

void BuildMask(Frame& frame, int32_t width, int32_t height) {
  BitMask& mask = frame.solid;
  mask.width = std::max(width, 0);
  mask.height = std::max(height, 0);
  mask.words_per_row = (mask.width + 63) / 64;
  mask.words.assign(static_cast<size_t>(mask.words_per_row) * static_cast<size_t>(mask.height), 0);
  if (frame.pixels.size() < static_cast<size_t>(mask.width) * static_cast<size_t>(mask.height)) {
    return;  // no pixels to read: nothing is solid
  }
  // A pixel is solid when it is painted and not the transparent colour. With
  // no transparent colour, `key` is an alpha-0 value that never matches a
  // painted pixel.
  const Pixel key = frame.transparent ? *frame.transparent : kUnpainted;
  const Pixel* src = frame.pixels.data();
  uint64_t* dst = mask.words.data();
  mask.row_first.assign(static_cast<size_t>(mask.height), mask.width);
  mask.row_last.assign(static_cast<size_t>(mask.height), -1);
  mask.word_first_row.assign(static_cast<size_t>(mask.words_per_row), mask.height);
  mask.word_last_row.assign(static_cast<size_t>(mask.words_per_row), -1);
  for (int32_t y = 0; y < mask.height; ++y) {
    for (int32_t x0 = 0; x0 < mask.width; x0 += 64) {
      const int32_t n = std::min(64, mask.width - x0);
      uint64_t word = 0;
      for (int32_t i = 0; i < n; ++i) {
        const Pixel p = src[x0 + i];
        word |= static_cast<uint64_t>((p >> 24) != 0 && p != key) << i;
      }
      dst[x0 >> 6] = word;
      if (word != 0) {
        mask.row_first[y] = std::min(mask.row_first[y], x0 + std::countr_zero(word));
        mask.row_last[y] = x0 + 63 - std::countl_zero(word);
        const size_t w = static_cast<size_t>(x0 >> 6);
        mask.word_first_row[w] = std::min(mask.word_first_row[w], y);
        mask.word_last_row[w] = y;
      }
    }
    src += mask.width;
    dst += mask.words_per_row;
  }
}

namespace {

// Source index for each of `out` destination positions: the source pixel whose
// area holds the centre of the destination pixel.
std::vector<int32_t> NearestIndices(int32_t in, int32_t out) {
  std::vector<int32_t> map(static_cast<size_t>(out));
  for (int32_t i = 0; i < out; ++i) {
    const int64_t src = ((2 * int64_t{i} + 1) * in) / (2 * int64_t{out});
    map[static_cast<size_t>(i)] = static_cast<int32_t>(std::min<int64_t>(src, in - 1));
  }
  return map;
}

int64_t ScaledSide(int32_t side, int32_t zoom) {
  const int64_t scaled = (int64_t{side} * zoom + 500) / 1000;
  return std::max<int64_t>(scaled, 1);
}

}  // namespace

SharedImage ZoomImage(const SharedImage& image, int32_t zoom) {
  if (!image || zoom <= 0 || zoom == 1000) return image;
  if (image->width <= 0 || image->height <= 0) return image;
  const int64_t w = ScaledSide(image->width, zoom);
  const int64_t h = ScaledSide(image->height, zoom);
  if (w > kMaxZoomedSide || h > kMaxZoomedSide) return nullptr;
  const int64_t frame_bytes = w * h * static_cast<int64_t>(sizeof(Pixel));
  if (frame_bytes * static_cast<int64_t>(image->frames.size()) > kMaxZoomedBytes) return nullptr;

  const int32_t dw = static_cast<int32_t>(w);
  const int32_t dh = static_cast<int32_t>(h);
  const std::vector<int32_t> xs = NearestIndices(image->width, dw);
  const std::vector<int32_t> ys = NearestIndices(image->height, dh);

  auto out = std::make_shared<Image>();
  out->width = dw;
  out->height = dh;
  out->frames.reserve(image->frames.size());
  const size_t src_size = static_cast<size_t>(image->width) * static_cast<size_t>(image->height);
  for (const Frame& src : image->frames) {
    Frame& dst = out->frames.emplace_back();
    dst.display_ms = src.display_ms;
    dst.transparent.reset();  // scaled frames keep only unpainted pixels transparent
    dst.pixels.resize(static_cast<size_t>(dw) * static_cast<size_t>(dh), kUnpainted);
    if (src.pixels.size() >= src_size) {
      Pixel* row_out = dst.pixels.data();
      for (int32_t y = 0; y < dh; ++y) {
        const Pixel* row_in = src.pixels.data() + static_cast<size_t>(ys[static_cast<size_t>(y)]) *
                                                      static_cast<size_t>(image->width);
        for (int32_t x = 0; x < dw; ++x) row_out[x] = row_in[xs[static_cast<size_t>(x)]];
        row_out += dw;
      }
    }
    BuildMask(dst, dw, dh);
  }
  return out;
}

namespace {

// 64 bits of a mask row from bit `pos` on (bits past the row's end read as 0).
inline uint64_t BitsAt(const uint64_t* row, int32_t words, int64_t pos) {
  const int64_t w = pos >> 6;
  const int s = static_cast<int>(pos & 63);
  uint64_t bits = row[w] >> s;
  if (s != 0 && w + 1 < words) bits |= row[w + 1] << (64 - s);
  return bits;
}

bool Usable(const BitMask& m) {
  return m.width > 0 && m.height > 0 && m.words_per_row >= (m.width + 63) / 64 &&
         m.words.size() >= static_cast<size_t>(m.words_per_row) * static_cast<size_t>(m.height);
}

}  // namespace

bool MasksOverlap(const BitMask& a, int32_t ax, int32_t ay, const BitMask& b, int32_t bx,
                  int32_t by) {
  if (!Usable(a) || !Usable(b)) return false;
  const int64_t x0 = std::max<int64_t>(ax, bx);
  const int64_t x1 = std::min<int64_t>(int64_t{ax} + a.width, int64_t{bx} + b.width);
  int64_t y0 = std::max<int64_t>(ay, by);
  int64_t y1 = std::min<int64_t>(int64_t{ay} + a.height, int64_t{by} + b.height);
  if (x0 >= x1 || y0 >= y1) return false;
  // Only the rows where the common columns hold something in both masks.
  for (const auto& [m, mx, my] : {std::tuple<const BitMask&, int64_t, int64_t>{a, ax, ay},
                                  std::tuple<const BitMask&, int64_t, int64_t>{b, bx, by}}) {
    if (m.word_first_row.size() != static_cast<size_t>(m.words_per_row) ||
        m.word_last_row.size() != static_cast<size_t>(m.words_per_row)) {
      continue;
    }
    int64_t first = m.height, last = -1;
    for (int64_t w = (x0 - mx) >> 6; w <= (x1 - 1 - mx) >> 6; ++w) {
      first = std::min<int64_t>(first, m.word_first_row[static_cast<size_t>(w)]);
      last = std::max<int64_t>(last, m.word_last_row[static_cast<size_t>(w)]);
    }
    y0 = std::max(y0, my + first);
    y1 = std::min(y1, my + last + 1);
    if (y0 >= y1) return false;
  }

  const int64_t length = x1 - x0;
  const int64_t a_start = x0 - ax;  // first column of the common span in each mask
  const int64_t b_start = x0 - bx;
  const bool spans = a.row_first.size() == static_cast<size_t>(a.height) &&
                     a.row_last.size() == static_cast<size_t>(a.height) &&
                     b.row_first.size() == static_cast<size_t>(b.height) &&
                     b.row_last.size() == static_cast<size_t>(b.height);
  for (int64_t y = y0; y < y1; ++y) {
    if (spans) {
      // The solid spans of the two rows, in common coordinates, must meet.
      const int64_t ra = y - ay, rb = y - by;
      const int64_t lo =
          std::max({ax + int64_t{a.row_first[ra]}, bx + int64_t{b.row_first[rb]}, x0});
      const int64_t hi =
          std::min({ax + int64_t{a.row_last[ra]}, bx + int64_t{b.row_last[rb]}, x1 - 1});
      if (lo > hi) continue;
    }
    const uint64_t* row_a = a.words.data() + (y - ay) * a.words_per_row;
    const uint64_t* row_b = b.words.data() + (y - by) * b.words_per_row;
    for (int64_t k = 0; k < length; k += 64) {
      uint64_t both =
          BitsAt(row_a, a.words_per_row, a_start + k) & BitsAt(row_b, b.words_per_row, b_start + k);
      const int64_t left = length - k;
      if (left < 64) both &= (uint64_t{1} << left) - 1;
      if (both != 0) return true;
    }
  }
  return false;
}

}  // namespace corvelin
