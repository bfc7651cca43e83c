// corvelin-assets: draws the program's built-in pictures and icon and writes
// them into a folder: picture_a.gif, picture_b.gif and corvelin.ico. The output
// depends on nothing but this code, so every run gives the same bytes.
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include "assets/generator/artwork.h"

namespace {

void WriteFile(const std::filesystem::path& path, const corvelin::assetgen::Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) throw std::runtime_error("cannot write " + path.string());
  std::printf("%s: %zu bytes\n", path.string().c_str(), bytes.size());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
    return 2;
  }
  try {
    const std::filesystem::path dir(argv[1]);
    std::filesystem::create_directories(dir);
    WriteFile(dir / "picture_a.gif", corvelin::assetgen::MakePictureA());
    WriteFile(dir / "picture_b.gif", corvelin::assetgen::MakePictureB());
    WriteFile(dir / "corvelin.ico", corvelin::assetgen::MakeIcon());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "corvelin-assets: %s\n", e.what());
    return 1;
  }
  return 0;
}
