// Files built into the program: the two template pictures and the icon.
#pragma once

#include <string_view>

namespace corvelin::assets {

std::string_view PictureA();     // 动画物体1's animated portrait, 150 x 150
std::string_view PictureB();     // 动画物体2's travelling figure, 400 x 400
std::string_view ProgramIcon();  // the .ico with the 16, 32 and 48 px images

}  // namespace corvelin::assets
