// Text conversions shared by the Win32 backend and its GDI text services.
#pragma once

#include <string>
#include <string_view>

namespace corvelin::platform::win32 {

// Converts bytes in a Windows code page (936 for GBK, 65001 for UTF-8) to
// UTF-16. Bytes that are not valid in the code page become the code page's
// default character; nothing is dropped silently.
std::wstring ToWide(std::string_view bytes, unsigned code_page);
std::string WideToUtf8(std::wstring_view wide);

}  // namespace corvelin::platform::win32
