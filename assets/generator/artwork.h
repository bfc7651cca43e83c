// The program's three built-in pictures, drawn and encoded.
#pragma once

#include "assets/generator/encode.h"

namespace corvelin::assetgen {

Bytes MakePictureA();  // the animated portrait
Bytes MakePictureB();  // the figure running to the left
Bytes MakeIcon();      // 16, 32 and 48 px, 16 colours each

}  // namespace corvelin::assetgen
