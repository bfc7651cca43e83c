// Tiny GIF files written in memory with the library's encoder, for the
// picture tests and the fuzzer's seed corpus.
#pragma once

#include <gif_lib.h>

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace corvelin::testing {

// Four-colour tables: index 0 red, 1 green, 2 blue, 3 white.
inline std::vector<GifColorType> BasicColours() {
  return {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
}

struct GifFrameSpec {
  int left = 0;
  int top = 0;
  int width = 1;
  int height = 1;
  std::vector<uint8_t> indices;  // width * height, top row first
  int disposal = DISPOSAL_UNSPECIFIED;
  int transparent = NO_TRANSPARENT_COLOR;
  int delay = 0;  // hundredths of a second
  bool interlaced = false;
  std::vector<GifColorType> local;  // empty: the frame uses the global table
  bool control = true;              // write a graphics control extension
};

struct GifSpec {
  int width = 1;
  int height = 1;
  std::vector<GifColorType> global = BasicColours();  // empty: no global table
  std::vector<GifFrameSpec> frames;
};

namespace detail {

inline int WriteToVector(GifFileType* gif, const GifByteType* data, int length) {
  auto* out = static_cast<std::vector<uint8_t>*>(gif->UserData);
  out->insert(out->end(), data, data + length);
  return length;
}

inline void Check(int rc, const char* what) {
  if (rc != GIF_OK) throw std::runtime_error(std::string("GIF encoder failed at ") + what);
}

struct MapDeleter {
  void operator()(ColorMapObject* map) const { GifFreeMapObject(map); }
};

inline std::unique_ptr<ColorMapObject, MapDeleter> MakeMap(const std::vector<GifColorType>& c) {
  if (c.empty()) return nullptr;
  return std::unique_ptr<ColorMapObject, MapDeleter>(
      GifMakeMapObject(static_cast<int>(c.size()), c.data()));
}

}  // namespace detail

// Encodes `layout`. Interlaced frames are written in the format's pass order.
inline std::vector<uint8_t> MakeGif(const GifSpec& layout) {
  std::vector<uint8_t> bytes;
  int error = 0;
  GifFileType* gif = EGifOpen(&bytes, detail::WriteToVector, &error);
  if (gif == nullptr) throw std::runtime_error("EGifOpen failed");
  EGifSetGifVersion(gif, true);
  auto global = detail::MakeMap(layout.global);
  detail::Check(EGifPutScreenDesc(gif, layout.width, layout.height, 8, 0, global.get()),
                "screen descriptor");
  for (const GifFrameSpec& f : layout.frames) {
    if (f.control) {
      GraphicsControlBlock gcb{f.disposal, false, f.delay, f.transparent};
      GifByteType ext[4];
      const size_t n = EGifGCBToExtension(&gcb, ext);
      detail::Check(EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(n), ext),
                    "control extension");
    }
    auto local = detail::MakeMap(f.local);
    if (!local && gif->Image.ColorMap != nullptr) {
      // The encoder drops the previous frame's local table here without
      // freeing it.
      GifFreeMapObject(gif->Image.ColorMap);
      gif->Image.ColorMap = nullptr;
    }
    detail::Check(
        EGifPutImageDesc(gif, f.left, f.top, f.width, f.height, f.interlaced, local.get()),
        "image descriptor");
    std::vector<int> rows;
    if (f.interlaced) {
      const int start[] = {0, 4, 2, 1};
      const int step[] = {8, 8, 4, 2};
      for (int pass = 0; pass < 4; ++pass) {
        for (int y = start[pass]; y < f.height; y += step[pass]) rows.push_back(y);
      }
    } else {
      for (int y = 0; y < f.height; ++y) rows.push_back(y);
    }
    for (int y : rows) {
      std::vector<GifPixelType> line(f.indices.begin() + y * f.width,
                                     f.indices.begin() + (y + 1) * f.width);
      detail::Check(EGifPutLine(gif, line.data(), f.width), "image line");
    }
  }
  if (EGifCloseFile(gif, &error) != GIF_OK) throw std::runtime_error("EGifCloseFile failed");
  return bytes;
}

// A frame of one index everywhere.
inline GifFrameSpec Fill(int left, int top, int width, int height, uint8_t index) {
  GifFrameSpec f;
  f.left = left;
  f.top = top;
  f.width = width;
  f.height = height;
  f.indices.assign(static_cast<size_t>(width * height), index);
  return f;
}

// A logical screen of the given size holding these frames.
inline GifSpec Screen(int width, int height, std::vector<GifFrameSpec> frames) {
  GifSpec layout;
  layout.width = width;
  layout.height = height;
  layout.frames = std::move(frames);
  return layout;
}

}  // namespace corvelin::testing
