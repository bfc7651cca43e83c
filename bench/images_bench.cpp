// Forming the template images of the two pictures, and zooming Picture B.
#include <benchmark/benchmark.h>

#include <span>
#include <string_view>

#include "assets/assets.h"
#include "runtime/images/image.h"
#include "runtime/images/picture.h"

namespace {

using namespace corvelin;

std::span<const uint8_t> Bytes(std::string_view file) {
  return {reinterpret_cast<const uint8_t*>(file.data()), file.size()};
}

void Form(benchmark::State& state, std::string_view file) {
  const TransparencyRule rule{true, kNoColour};
  size_t frames = 0;
  for (auto _ : state) {
    PictureResult result = DecodePicture(Bytes(file), rule);
    if (result.status != PictureStatus::kOk) {
      state.SkipWithError(result.diagnostic.c_str());
      return;
    }
    frames = result.image->frames.size();
    benchmark::DoNotOptimize(result.image);
  }
  state.counters["frames"] = static_cast<double>(frames);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * file.size()));
}

void BM_FormPictureA(benchmark::State& state) {
  Form(state, assets::PictureA());
}
BENCHMARK(BM_FormPictureA)->Unit(benchmark::kMillisecond);

void BM_FormPictureB(benchmark::State& state) {
  Form(state, assets::PictureB());
}
BENCHMARK(BM_FormPictureB)->Unit(benchmark::kMillisecond);

void BM_ZoomPictureB350(benchmark::State& state) {
  const PictureResult b = DecodePicture(Bytes(assets::PictureB()), {true, kNoColour});
  if (!b.image) {
    state.SkipWithError(b.diagnostic.c_str());
    return;
  }
  for (auto _ : state) {
    SharedImage zoomed = ZoomImage(b.image, 350);
    benchmark::DoNotOptimize(zoomed);
  }
}
BENCHMARK(BM_ZoomPictureB350)->Unit(benchmark::kMillisecond);

// The canvas's collision test: Picture B's 140 x 140 zoomed mask against
// Picture A's mask, with the square overlapping the portrait's right edge.
void BM_MasksOverlapBOnA(benchmark::State& state) {
  const PictureResult a = DecodePicture(Bytes(assets::PictureA()), {true, kNoColour});
  const PictureResult b = DecodePicture(Bytes(assets::PictureB()), {true, kNoColour});
  if (!a.image || !b.image) {
    state.SkipWithError("pictures do not decode");
    return;
  }
  const SharedImage zoomed = ZoomImage(b.image, 350);
  const BitMask& ma = a.image->frames.back().solid;
  const BitMask& mb = zoomed->frames.front().solid;
  const int x = static_cast<int>(state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(MasksOverlap(mb, x, 30, ma, 0, 0));
}
BENCHMARK(BM_MasksOverlapBOnA)->Arg(145)->Arg(100)->Arg(13);

}  // namespace
