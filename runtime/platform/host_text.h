// Text services of the host system, for backends that have no text of their
// own (the headless backend): GDI on Windows, fontconfig + FreeType + iconv
// elsewhere.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "runtime/platform/platform.h"

namespace corvelin::platform::host {

std::optional<LineBitmap> RasteriseLine(std::string_view gbk, const FontSpec* font);
std::string GbkToUtf8(std::string_view gbk);

}  // namespace corvelin::platform::host
