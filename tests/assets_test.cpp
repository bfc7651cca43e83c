// The built-in pictures and icon, read back from the program's own bytes: the
// technical make-up that the scene relies on.
#include <gif_lib.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "assets/assets.h"

namespace corvelin::assets {
namespace {

struct MemoryReader {
  std::string_view bytes;
  std::size_t at = 0;
};

int ReadFromMemory(GifFileType* gif, GifByteType* out, int length) {
  auto* reader = static_cast<MemoryReader*>(gif->UserData);
  const std::size_t n =
      std::min(static_cast<std::size_t>(length), reader->bytes.size() - reader->at);
  std::memcpy(out, reader->bytes.data() + reader->at, n);
  reader->at += n;
  return static_cast<int>(n);
}

struct GifCloser {
  void operator()(GifFileType* gif) const { DGifCloseFile(gif, nullptr); }
};
using Gif = std::unique_ptr<GifFileType, GifCloser>;

// Opens and fully reads a GIF held in memory; fails the test if giflib cannot.
Gif Slurp(std::string_view bytes, MemoryReader& reader) {
  reader = {bytes, 0};
  int error = 0;
  Gif gif(DGifOpen(&reader, ReadFromMemory, &error));
  EXPECT_NE(gif, nullptr) << GifErrorString(error);
  if (gif == nullptr) return gif;
  EXPECT_EQ(DGifSlurp(gif.get()), GIF_OK) << GifErrorString(gif->Error);
  return gif;
}

// Every extension block of the file, wherever giflib attached it.
std::vector<const ExtensionBlock*> AllExtensions(const GifFileType* gif) {
  std::vector<const ExtensionBlock*> out;
  for (int i = 0; i < gif->ImageCount; ++i) {
    const SavedImage& image = gif->SavedImages[i];
    for (int j = 0; j < image.ExtensionBlockCount; ++j) out.push_back(&image.ExtensionBlocks[j]);
  }
  for (int j = 0; j < gif->ExtensionBlockCount; ++j) out.push_back(&gif->ExtensionBlocks[j]);
  return out;
}

bool IsApplication(const ExtensionBlock* block, std::string_view id) {
  return block->Function == APPLICATION_EXT_FUNC_CODE &&
         std::string_view(reinterpret_cast<const char*>(block->Bytes),
                          static_cast<std::size_t>(block->ByteCount)) == id;
}

// The sub-block that follows the NETSCAPE2.0 identifier: {1, loop lo, loop hi}.
std::vector<int> LoopBlock(const GifFileType* gif) {
  const auto blocks = AllExtensions(gif);
  for (std::size_t i = 0; i + 1 < blocks.size(); ++i) {
    if (IsApplication(blocks[i], "NETSCAPE2.0") &&
        blocks[i + 1]->Function == CONTINUE_EXT_FUNC_CODE) {
      return std::vector<int>(blocks[i + 1]->Bytes,
                              blocks[i + 1]->Bytes + blocks[i + 1]->ByteCount);
    }
  }
  return {};
}

int CountApplication(const GifFileType* gif, std::string_view id) {
  const auto blocks = AllExtensions(gif);
  return static_cast<int>(
      std::count_if(blocks.begin(), blocks.end(),
                    [id](const ExtensionBlock* b) { return IsApplication(b, id); }));
}

GraphicsControlBlock Control(const GifFileType* gif, int frame) {
  GraphicsControlBlock gcb{};
  EXPECT_EQ(DGifSavedExtensionToGCB(const_cast<GifFileType*>(gif), frame, &gcb), GIF_OK)
      << "frame " << frame + 1 << " has no graphic control block";
  return gcb;
}

void ExpectCommonMakeUp(std::string_view bytes, const GifFileType* gif, int side, int background,
                        int frames) {
  EXPECT_EQ(bytes.substr(0, 6), "GIF89a");
  EXPECT_EQ(gif->SWidth, side);
  EXPECT_EQ(gif->SHeight, side);
  ASSERT_NE(gif->SColorMap, nullptr);
  EXPECT_EQ(gif->SColorMap->ColorCount, 256);
  EXPECT_EQ(gif->SBackGroundColor, background);
  EXPECT_EQ(LoopBlock(gif), (std::vector<int>{1, 0, 0}));  // loop count 0: for ever
  ASSERT_EQ(gif->ImageCount, frames);
  for (int f = 0; f < frames; ++f) {
    const GifImageDesc& d = gif->SavedImages[f].ImageDesc;
    EXPECT_EQ(d.Left, 0) << "frame " << f + 1;
    EXPECT_EQ(d.Top, 0) << "frame " << f + 1;
    EXPECT_EQ(d.Width, side) << "frame " << f + 1;
    EXPECT_EQ(d.Height, side) << "frame " << f + 1;
    EXPECT_FALSE(d.Interlace) << "frame " << f + 1;
  }
}

bool IsWhite(const GifColorType& c) {
  return c.Red == 255 && c.Green == 255 && c.Blue == 255;
}

TEST(BuiltInPictures, PortraitHasItsTechnicalMakeUp) {
  const std::string_view bytes = PictureA();
  MemoryReader reader;
  const Gif gif = Slurp(bytes, reader);
  ASSERT_NE(gif, nullptr);
  ExpectCommonMakeUp(bytes, gif.get(), 150, 255, 17);
  EXPECT_TRUE(IsWhite(gif->SColorMap->Colors[255]));
  EXPECT_EQ(CountApplication(gif.get(), "XMP DataXMP"), 1);
  for (int f = 0; f < 17; ++f) {
    const bool last = f == 16;
    const GraphicsControlBlock gcb = Control(gif.get(), f);
    EXPECT_EQ(gcb.DelayTime, last ? 30 : 6) << "frame " << f + 1;
    EXPECT_EQ(gcb.DisposalMode, last ? 1 : 2) << "frame " << f + 1;
    EXPECT_EQ(gcb.TransparentColor, 255) << "frame " << f + 1;
    EXPECT_EQ(gif->SavedImages[f].ImageDesc.ColorMap, nullptr) << "frame " << f + 1;
  }
}

// Every frame of the portrait covers the whole picture and the previous one is
// cleared (disposal 2) or fully covered, so each composed frame is the frame
// itself with transparent pixels left white. The travelling figure meets the
// portrait in rows 30 to 149: each of them needs a solid, non-white pixel.
TEST(BuiltInPictures, PortraitIsSolidWhereTheFigureMeetsIt) {
  MemoryReader reader;
  const Gif gif = Slurp(PictureA(), reader);
  ASSERT_NE(gif, nullptr);
  ASSERT_EQ(gif->ImageCount, 17);
  const ColorMapObject* colours = gif->SColorMap;
  for (int f = 0; f < gif->ImageCount; ++f) {
    const GifByteType* pixels = gif->SavedImages[f].RasterBits;
    EXPECT_EQ(pixels[0], 255) << "top-left pixel of frame " << f + 1 << " is painted";
    for (int y = 30; y < 150; ++y) {
      bool solid = false;
      for (int x = 0; x < 150 && !solid; ++x) {
        const int index = pixels[y * 150 + x];
        solid = index != 255 && !IsWhite(colours->Colors[index]);
      }
      EXPECT_TRUE(solid) << "row " << y << " of frame " << f + 1 << " has no solid pixel";
    }
  }
}

TEST(BuiltInPictures, RunnerHasItsTechnicalMakeUp) {
  const std::string_view bytes = PictureB();
  MemoryReader reader;
  const Gif gif = Slurp(bytes, reader);
  ASSERT_NE(gif, nullptr);
  ExpectCommonMakeUp(bytes, gif.get(), 400, 254, 20);
  EXPECT_EQ(CountApplication(gif.get(), "XMP DataXMP"), 0);

  // Frame 1: global table, no transparency, an opaque white top-left pixel.
  const GraphicsControlBlock first = Control(gif.get(), 0);
  EXPECT_EQ(first.TransparentColor, NO_TRANSPARENT_COLOR);
  EXPECT_EQ(gif->SavedImages[0].ImageDesc.ColorMap, nullptr);
  EXPECT_TRUE(IsWhite(gif->SColorMap->Colors[gif->SavedImages[0].RasterBits[0]]));

  std::vector<GifColorType> composed(400 * 400);
  for (int f = 0; f < 20; ++f) {
    const GraphicsControlBlock gcb = Control(gif.get(), f);
    EXPECT_EQ(gcb.DelayTime, 8) << "frame " << f + 1;
    EXPECT_EQ(gcb.DisposalMode, 1) << "frame " << f + 1;
    const ColorMapObject* local = gif->SavedImages[f].ImageDesc.ColorMap;
    if (f > 0) {
      ASSERT_NE(local, nullptr) << "frame " << f + 1;
      EXPECT_EQ(local->ColorCount, 256) << "frame " << f + 1;
      EXPECT_NE(gcb.TransparentColor, NO_TRANSPARENT_COLOR) << "frame " << f + 1;
    }
    // Disposal 1 everywhere: each frame paints over the last one.
    const ColorMapObject* table = local != nullptr ? local : gif->SColorMap;
    const GifByteType* pixels = gif->SavedImages[f].RasterBits;
    for (std::size_t i = 0; i < composed.size(); ++i) {
      if (pixels[i] != gcb.TransparentColor) composed[i] = table->Colors[pixels[i]];
    }
    EXPECT_TRUE(IsWhite(composed[0])) << "top-left pixel of frame " << f + 1;
  }
}

std::uint32_t Le(std::string_view b, std::size_t at, int bytes) {
  std::uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = v << 8 | static_cast<std::uint8_t>(b[at + i]);
  return v;
}

TEST(BuiltInPictures, IconHoldsThreeSixteenColourImagesWithMasks) {
  const std::string_view ico = ProgramIcon();
  ASSERT_GE(ico.size(), 6u + 3 * 16);
  EXPECT_EQ(Le(ico, 0, 2), 0u);  // reserved
  EXPECT_EQ(Le(ico, 2, 2), 1u);  // icon, not cursor
  ASSERT_EQ(Le(ico, 4, 2), 3u);
  const std::uint32_t sides[] = {16, 32, 48};
  for (std::size_t i = 0; i < 3; ++i) {
    SCOPED_TRACE("image " + std::to_string(sides[i]));
    const std::size_t entry = 6 + 16 * i;
    EXPECT_EQ(Le(ico, entry, 1), sides[i]);
    EXPECT_EQ(Le(ico, entry + 1, 1), sides[i]);
    EXPECT_EQ(Le(ico, entry + 2, 1), 16u);  // colours
    EXPECT_EQ(Le(ico, entry + 6, 2), 4u);   // bits per pixel
    const std::uint32_t size = Le(ico, entry + 8, 4);
    const std::uint32_t offset = Le(ico, entry + 12, 4);
    ASSERT_LE(std::size_t{offset} + size, ico.size());
    // BITMAPINFOHEADER: the height counts the colour bitmap and the mask.
    EXPECT_EQ(Le(ico, offset, 4), 40u);
    EXPECT_EQ(Le(ico, offset + 4, 4), sides[i]);
    EXPECT_EQ(Le(ico, offset + 8, 4), 2 * sides[i]);
    EXPECT_EQ(Le(ico, offset + 14, 2), 4u);
    const std::uint32_t colour_rows = (sides[i] * 4 + 31) / 32 * 4 * sides[i];
    const std::uint32_t mask_rows = (sides[i] + 31) / 32 * 4 * sides[i];
    EXPECT_EQ(size, 40 + 16 * 4 + colour_rows + mask_rows);  // palette, pixels and mask
    // The mask hides the corners (the motif is round) but not the centre.
    const std::size_t mask = offset + 40 + 64 + colour_rows;
    const std::uint32_t stride = (sides[i] + 31) / 32 * 4;
    EXPECT_NE(static_cast<std::uint8_t>(ico[mask]) & 0x80, 0) << "bottom-left corner is shown";
    const std::size_t middle = mask + (sides[i] / 2) * stride + sides[i] / 16;
    EXPECT_EQ(static_cast<std::uint8_t>(ico[middle]) & (0x80 >> (sides[i] / 2 % 8)), 0)
        << "centre is masked out";
  }
}

}  // namespace
}  // namespace corvelin::assets
