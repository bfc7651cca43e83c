// The backend of the real program on this system: SDL2 on Linux, Win32 on
// Windows. Each backend folder implements this one function.
#pragma once

#include <memory>

#include "runtime/platform/platform.h"

namespace corvelin::platform {

std::unique_ptr<Backend> CreateNativeBackend();

}  // namespace corvelin::platform
