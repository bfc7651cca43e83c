// Writing the simulator's pictures: a PNG of one frame and an animated GIF
// recording. Pixels are 0xAARRGGBB; alpha is ignored.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace corvelin::sim {

// Writes an RGB PNG (uncompressed deflate blocks). False with `error` set on
// failure.
bool WritePng(const std::string& path, const std::vector<uint32_t>& pixels, int32_t width,
              int32_t height, std::string* error);

// Encodes the PNG into memory (for tests).
std::vector<uint8_t> EncodePng(const std::vector<uint32_t>& pixels, int32_t width, int32_t height);

// Records frames into an animated GIF at half size on a fixed palette; each
// frame stores only the rectangle that changed since the previous one.
class GifRecorder {
 public:
  GifRecorder();
  ~GifRecorder();
  // Adds a frame shown for `delay_ms` (rounded to hundredths).
  void Add(const std::vector<uint32_t>& pixels, int32_t width, int32_t height, uint32_t delay_ms);
  bool Write(const std::string& path, std::string* error);
  size_t frames() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace corvelin::sim
