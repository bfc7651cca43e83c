// The committed asset files as byte arrays, generated at build time by embed.cmake.
#pragma once

#include <cstddef>

namespace corvelin::assets::embedded {

extern const unsigned char picture_a_gif[];
extern const std::size_t picture_a_gif_size;
extern const unsigned char picture_b_gif[];
extern const std::size_t picture_b_gif_size;
extern const unsigned char corvelin_ico[];
extern const std::size_t corvelin_ico_size;

}  // namespace corvelin::assets::embedded
