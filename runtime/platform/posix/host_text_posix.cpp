// Text services on Linux: GBK conversion with iconv, fonts found with
// fontconfig and rasterised by FreeType in monochrome, the way a GDI TextOut
// without font smoothing draws them.
#include <errno.h>
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include <iconv.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_SYNTHESIS_H

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "runtime/platform/host_text.h"

namespace corvelin::platform::host {
namespace {

// The system's default UI font: 9 points at 96 dpi.
constexpr int32_t kDefaultPixelSize = 12;
constexpr const char* kDefaultFamily = "sans-serif";
constexpr const char* kDefaultLang = "zh-cn";
// A line wider than this many pixels is refused rather than allocated.
constexpr int64_t kMaxLineWidth = 1 << 20;

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// Code points of a UTF-8 string that iconv produced (hence well formed; a
// stray byte still decodes to U+FFFD rather than running past the end).
std::u32string DecodeUtf8(std::string_view s) {
  std::u32string out;
  size_t i = 0;
  while (i < s.size()) {
    const auto b = static_cast<unsigned char>(s[i]);
    int extra = 0;
    char32_t c = 0;
    if (b < 0x80) {
      c = b;
    } else if ((b & 0xE0) == 0xC0) {
      c = b & 0x1F;
      extra = 1;
    } else if ((b & 0xF0) == 0xE0) {
      c = b & 0x0F;
      extra = 2;
    } else if ((b & 0xF8) == 0xF0) {
      c = b & 0x07;
      extra = 3;
    } else {
      out += U'\uFFFD';
      ++i;
      continue;
    }
    if (i + static_cast<size_t>(extra) >= s.size() && extra > 0) {
      out += U'\uFFFD';
      break;
    }
    for (int k = 1; k <= extra; ++k) c = (c << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
    out += c;
    i += 1 + static_cast<size_t>(extra);
  }
  return out;
}

// What fontconfig found for a requested family and style.
struct FontFile {
  std::string path;
  int index = 0;
  friend auto operator<=>(const FontFile&, const FontFile&) = default;
};

// How a face is sized: a nominal pixel size (character height) or the height
// that ascender minus descender should take (cell height).
struct SizeRequest {
  bool cell = false;
  int32_t pixels = kDefaultPixelSize;
  friend auto operator<=>(const SizeRequest&, const SizeRequest&) = default;
};

// Owns the FreeType library, the fontconfig configuration and every face
// opened, and frees them all at exit.
class FontCache {
 public:
  ~FontCache() {
    for (auto& [key, face] : faces_) FT_Done_Face(face);
    if (library_ != nullptr) FT_Done_FreeType(library_);
    if (config_ != nullptr) FcConfigDestroy(config_);
  }

  std::mutex& Mutex() { return mutex_; }

  // The font file for a family (UTF-8; empty for the default) and style,
  // falling back to the default family when the requested one is not
  // installed.
  std::optional<FontFile> Match(const std::string& family, bool bold, bool italic) {
    const auto key = std::make_tuple(family, bold, italic);
    if (auto it = matches_.find(key); it != matches_.end()) return it->second;
    std::optional<FontFile> found;
    if (!family.empty()) found = Query(family, bold, italic, true);
    if (!found) found = Query(kDefaultFamily, bold, italic, false);
    matches_.emplace(key, found);
    return found;
  }

  // An open face for a file at a size, or null.
  FT_Face Face(const FontFile& file, const SizeRequest& size) {
    const auto key = std::make_pair(file, size);
    if (auto it = faces_.find(key); it != faces_.end()) return it->second;
    if (library_ == nullptr && FT_Init_FreeType(&library_) != 0) {
      library_ = nullptr;
      return nullptr;
    }
    FT_Face face = nullptr;
    if (FT_New_Face(library_, file.path.c_str(), file.index, &face) != 0) return nullptr;
    if (!SetSize(face, size)) {
      FT_Done_Face(face);
      return nullptr;
    }
    faces_.emplace(key, face);
    return face;
  }

 private:
  static bool SetSize(FT_Face face, const SizeRequest& size) {
    const int32_t pixels = std::clamp(size.pixels, 1, 4096);
    if (!FT_IS_SCALABLE(face)) {
      // A bitmap-only face: take the strike closest to the request.
      if (face->num_fixed_sizes <= 0) return false;
      int best = 0;
      for (int i = 1; i < face->num_fixed_sizes; ++i) {
        if (std::abs(face->available_sizes[i].height - pixels) <
            std::abs(face->available_sizes[best].height - pixels)) {
          best = i;
        }
      }
      return FT_Select_Size(face, best) == 0;
    }
    if (!size.cell) return FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(pixels)) == 0;
    // Ascender minus descender should come to `pixels`.
    FT_Size_RequestRec request{};
    request.type = FT_SIZE_REQUEST_TYPE_REAL_DIM;
    request.height = static_cast<FT_Long>(pixels) * 64;
    return FT_Request_Size(face, &request) == 0;
  }

  std::optional<FontFile> Query(const std::string& family, bool bold, bool italic,
                                bool must_match_family) {
    if (config_ == nullptr) {
      config_ = FcInitLoadConfigAndFonts();
      if (config_ == nullptr) return std::nullopt;
    }
    FcPattern* pattern = FcPatternCreate();
    if (pattern == nullptr) return std::nullopt;
    const auto* fc_family = reinterpret_cast<const FcChar8*>(family.c_str());
    FcPatternAddString(pattern, FC_FAMILY, fc_family);
    FcPatternAddString(pattern, FC_LANG, reinterpret_cast<const FcChar8*>(kDefaultLang));
    FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(config_, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(config_, pattern, &result);
    FcPatternDestroy(pattern);
    if (match == nullptr) return std::nullopt;

    std::optional<FontFile> found;
    bool family_ok = !must_match_family;
    FcChar8* name = nullptr;
    for (int i = 0; !family_ok && FcPatternGetString(match, FC_FAMILY, i, &name) == FcResultMatch;
         ++i) {
      family_ok = FcStrCmpIgnoreCase(name, fc_family) == 0;
    }
    FcChar8* path = nullptr;
    int index = 0;
    if (family_ok && FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch) {
      if (FcPatternGetInteger(match, FC_INDEX, 0, &index) != FcResultMatch) index = 0;
      found = FontFile{reinterpret_cast<const char*>(path), index};
    }
    FcPatternDestroy(match);
    return found;
  }

  std::mutex mutex_;
  FcConfig* config_ = nullptr;
  FT_Library library_ = nullptr;
  std::map<std::tuple<std::string, bool, bool>, std::optional<FontFile>> matches_;
  std::map<std::pair<FontFile, SizeRequest>, FT_Face> faces_;
};

FontCache& Cache() {
  static FontCache cache;
  return cache;
}

int32_t RoundPixels(FT_Pos v) {
  return static_cast<int32_t>((v + 32) >> 6);
}

// One rendered glyph, copied out of the glyph slot.
struct Glyph {
  int32_t left = 0;  // from the pen position
  int32_t top = 0;   // from the baseline, upwards
  int32_t width = 0;
  int32_t rows = 0;
  std::vector<uint8_t> bits;  // width * rows, 0 or 1
};

std::optional<Glyph> RenderGlyph(FT_Face face, char32_t c, bool embolden, bool oblique) {
  const FT_UInt index = FT_Get_Char_Index(face, c);
  if (FT_Load_Glyph(face, index, FT_LOAD_DEFAULT | FT_LOAD_TARGET_MONO) != 0) return std::nullopt;
  FT_GlyphSlot slot = face->glyph;
  if (oblique && slot->format == FT_GLYPH_FORMAT_OUTLINE) FT_GlyphSlot_Oblique(slot);
  if (embolden) FT_GlyphSlot_Embolden(slot);
  if (slot->format != FT_GLYPH_FORMAT_BITMAP && FT_Render_Glyph(slot, FT_RENDER_MODE_MONO) != 0) {
    return std::nullopt;
  }
  const FT_Bitmap& bm = slot->bitmap;
  Glyph g;
  g.left = slot->bitmap_left;
  g.top = slot->bitmap_top;
  g.width = static_cast<int32_t>(bm.width);
  g.rows = static_cast<int32_t>(bm.rows);
  g.bits.assign(static_cast<size_t>(g.width) * static_cast<size_t>(g.rows), 0);
  for (int32_t y = 0; y < g.rows; ++y) {
    const unsigned char* row = bm.buffer + static_cast<ptrdiff_t>(y) * bm.pitch;
    for (int32_t x = 0; x < g.width; ++x) {
      bool on = false;
      switch (bm.pixel_mode) {
        case FT_PIXEL_MODE_MONO:
          on = (row[x >> 3] >> (7 - (x & 7))) & 1;
          break;
        case FT_PIXEL_MODE_GRAY:
          on = row[x] >= 128;
          break;
        case FT_PIXEL_MODE_BGRA:
          on = row[4 * x + 3] >= 128;
          break;
        default:
          break;
      }
      g.bits[static_cast<size_t>(y) * g.width + x] = on ? 1 : 0;
    }
  }
  return g;
}

}  // namespace

std::string GbkToUtf8(std::string_view gbk) {
  std::string out;
  if (gbk.empty()) return out;
  iconv_t cd = iconv_open("UTF-8", "CP936");
  if (cd == reinterpret_cast<iconv_t>(-1)) cd = iconv_open("UTF-8", "GBK");
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    // No converter at all: keep ASCII, mark everything else.
    for (char ch : gbk) {
      const auto b = static_cast<unsigned char>(ch);
      AppendUtf8(out, b < 0x80 ? char32_t{b} : U'\uFFFD');
    }
    return out;
  }
  char* in = const_cast<char*>(gbk.data());
  size_t in_left = gbk.size();
  std::vector<char> buf(gbk.size() * 2 + 16);
  while (in_left > 0) {
    char* dst = buf.data();
    size_t dst_left = buf.size();
    const size_t r = iconv(cd, &in, &in_left, &dst, &dst_left);
    out.append(buf.data(), static_cast<size_t>(dst - buf.data()));
    if (r != static_cast<size_t>(-1)) break;
    if (errno == E2BIG) continue;
    // An invalid sequence (EILSEQ) or one cut off at the end (EINVAL): one
    // replacement character per bad byte, then carry on after it.
    AppendUtf8(out, U'\uFFFD');
    ++in;
    --in_left;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  iconv_close(cd);
  return out;
}

std::optional<LineBitmap> RasteriseLine(std::string_view gbk, const FontSpec* font) {
  SizeRequest size;
  bool bold = false;
  bool italic = false;
  std::string family;
  if (font != nullptr) {
    if (font->height < 0) {
      size.pixels = font->height == INT32_MIN ? INT32_MAX : -font->height;
    } else if (font->height > 0) {
      size.cell = true;
      size.pixels = font->height;
    }
    size.pixels = std::min(size.pixels, 4096);
    bold = font->weight >= 600;
    italic = font->italic;
    family = GbkToUtf8(font->face);
  }
  const std::u32string text = DecodeUtf8(GbkToUtf8(gbk));

  FontCache& cache = Cache();
  std::lock_guard lock(cache.Mutex());
  std::optional<FontFile> file = cache.Match(family, bold, italic);
  if (!file) return std::nullopt;
  FT_Face face = cache.Face(*file, size);
  if (face == nullptr && !family.empty()) {
    // The requested face would not open: the default one still might.
    file = cache.Match({}, bold, italic);
    if (file) face = cache.Face(*file, size);
  }
  if (face == nullptr) return std::nullopt;
  const bool embolden = bold && (face->style_flags & FT_STYLE_FLAG_BOLD) == 0;
  const bool oblique = italic && (face->style_flags & FT_STYLE_FLAG_ITALIC) == 0;

  const FT_Size_Metrics& metrics = face->size->metrics;
  const int32_t ascender = RoundPixels(metrics.ascender);
  LineBitmap line;
  line.height = std::max(1, RoundPixels(metrics.ascender - metrics.descender));

  struct Placed {
    int32_t x;
    Glyph glyph;
  };
  std::vector<Placed> placed;
  FT_Pos pen = 0;  // 26.6
  int64_t right = 0;
  for (char32_t c : text) {
    std::optional<Glyph> g = RenderGlyph(face, c, embolden, oblique);
    if (!g) continue;
    const int32_t x = RoundPixels(pen) + g->left;
    pen += face->glyph->advance.x;
    right = std::max<int64_t>({right, RoundPixels(pen), int64_t{x} + g->width});
    if (right > kMaxLineWidth) return std::nullopt;
    placed.push_back({x, std::move(*g)});
  }
  line.width = static_cast<int32_t>(right);
  line.bits.assign(static_cast<size_t>(line.width) * static_cast<size_t>(line.height), 0);
  for (const Placed& p : placed) {
    const Glyph& g = p.glyph;
    const int32_t top = ascender - g.top;
    for (int32_t y = 0; y < g.rows; ++y) {
      const int32_t ly = top + y;
      if (ly < 0 || ly >= line.height) continue;
      for (int32_t x = 0; x < g.width; ++x) {
        const int32_t lx = p.x + x;
        if (lx < 0 || lx >= line.width || !g.bits[static_cast<size_t>(y) * g.width + x]) continue;
        line.bits[static_cast<size_t>(ly) * line.width + lx] = 1;
      }
    }
  }
  return line;
}

}  // namespace corvelin::platform::host
