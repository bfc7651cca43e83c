#include "assets/assets.h"

#include "assets/embedded.h"

namespace corvelin::assets {

namespace {

std::string_view View(const unsigned char* data, std::size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

}  // namespace

std::string_view PictureA() {
  return View(embedded::picture_a_gif, embedded::picture_a_gif_size);
}
std::string_view PictureB() {
  return View(embedded::picture_b_gif, embedded::picture_b_gif_size);
}
std::string_view ProgramIcon() {
  return View(embedded::corvelin_ico, embedded::corvelin_ico_size);
}

}  // namespace corvelin::assets
