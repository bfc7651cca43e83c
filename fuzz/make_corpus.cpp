// Writes the picture fuzzer's seed corpus: small GIFs that between them use
// every feature the decoder handles. Usage: picture_fuzz_corpus <directory>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "tests/gif_fixtures.h"

namespace {

using namespace corvelin::testing;

GifFrameSpec Pattern(int left, int top, int w, int h, int disposal, int transparent) {
  GifFrameSpec f = Fill(left, top, w, h, 0);
  for (size_t i = 0; i < f.indices.size(); ++i) f.indices[i] = static_cast<uint8_t>((i * 7) % 4);
  f.disposal = disposal;
  f.transparent = transparent;
  f.delay = static_cast<int>(left + top);
  return f;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <directory>\n", argv[0]);
    return 2;
  }
  std::vector<std::pair<std::string, GifSpec>> seeds;
  seeds.push_back({"single", Screen(4, 4, {Pattern(0, 0, 4, 4, 1, -1)})});
  seeds.push_back({"disposals", Screen(6, 5,
                                       {Pattern(0, 0, 6, 5, 1, -1), Pattern(1, 1, 3, 2, 2, 3),
                                        Pattern(2, 0, 2, 4, 3, 0), Pattern(0, 3, 6, 2, 0, -1)})});
  {
    GifFrameSpec local = Pattern(1, 0, 3, 3, 1, 2);
    local.local = {{10, 20, 30}, {40, 50, 60}, {70, 80, 90}, {255, 255, 255},
                   {1, 2, 3},    {4, 5, 6},    {7, 8, 9},    {0, 0, 0}};
    local.indices.assign(9, 5);
    seeds.push_back({"local_table", Screen(4, 3, {Pattern(0, 0, 4, 3, 1, -1), local})});
  }
  {
    GifFrameSpec interlaced = Pattern(0, 0, 3, 11, 1, -1);
    interlaced.interlaced = true;
    seeds.push_back({"interlaced", Screen(3, 11, {interlaced})});
  }
  seeds.push_back(
      {"clipped", Screen(3, 3, {Pattern(2, 2, 4, 4, 2, 1), Pattern(0, 0, 1, 1, 0, -1)})});
  {
    GifSpec no_global = Screen(2, 2, {});
    no_global.global.clear();
    GifFrameSpec f = Pattern(0, 0, 2, 2, 1, -1);
    f.local = BasicColours();
    no_global.frames.push_back(f);
    seeds.push_back({"no_global_table", no_global});
  }
  for (const auto& [name, layout] : seeds) {
    const std::vector<uint8_t> bytes = MakeGif(layout);
    std::ofstream out(std::string(argv[1]) + "/" + name + ".gif", std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
  }
  return 0;
}
