// The Win32 backend: top-level windows and child controls as real Windows
// windows, window timers, GDI painting and the thread's message loop.
#pragma once

#include <memory>

#include "runtime/platform/platform.h"

namespace corvelin::platform::win32 {

// Window class names, visible to other programs (and to our tests).
inline constexpr wchar_t kWindowClass[] = L"CorvelinWindow";
inline constexpr wchar_t kControlClass[] = L"CorvelinControl";

std::unique_ptr<Backend> CreateBackend();

}  // namespace corvelin::platform::win32
