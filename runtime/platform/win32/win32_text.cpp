// Text on Windows: GBK conversion through the system's code page 936 and line
// rasterisation with GDI, without anti-aliasing.
#include "runtime/platform/win32/win32_text.h"

#include <windows.h>

#include <climits>
#include <cstring>

#include "runtime/platform/host_text.h"

namespace corvelin::platform::win32 {

std::wstring ToWide(std::string_view bytes, unsigned code_page) {
  if (bytes.empty() || bytes.size() > static_cast<size_t>(INT_MAX)) return {};
  const int in_len = static_cast<int>(bytes.size());
  const int n = MultiByteToWideChar(code_page, 0, bytes.data(), in_len, nullptr, 0);
  if (n <= 0) return {};
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(code_page, 0, bytes.data(), in_len, wide.data(), n);
  return wide;
}

std::string WideToUtf8(std::wstring_view wide) {
  if (wide.empty() || wide.size() > static_cast<size_t>(INT_MAX)) return {};
  const int in_len = static_cast<int>(wide.size());
  const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), in_len, nullptr, 0, nullptr, nullptr);
  if (n <= 0) return {};
  std::string utf8(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), in_len, utf8.data(), n, nullptr, nullptr);
  return utf8;
}

namespace {

constexpr unsigned kGbkCodePage = 936;

// The font of a line: the stored description, or the system's default GUI
// font. Either way without smoothing, so that every glyph pixel is either set
// or not.
HFONT CreateLineFont(const FontSpec* font_spec) {
  LOGFONTW lf{};
  if (font_spec) {
    lf.lfHeight = font_spec->height;
    lf.lfWeight = font_spec->weight;
    lf.lfItalic = font_spec->italic ? TRUE : FALSE;
    lf.lfCharSet = DEFAULT_CHARSET;
    const std::wstring face = ToWide(font_spec->face, kGbkCodePage);
    wcsncpy(lf.lfFaceName, face.c_str(), LF_FACESIZE - 1);
  } else if (GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf) == 0) {
    return nullptr;
  }
  lf.lfQuality = NONANTIALIASED_QUALITY;
  lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
  lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  return CreateFontIndirectW(&lf);
}

}  // namespace
}  // namespace corvelin::platform::win32

namespace corvelin::platform::host {

std::string GbkToUtf8(std::string_view gbk) {
  return win32::WideToUtf8(win32::ToWide(gbk, win32::kGbkCodePage));
}

std::optional<LineBitmap> RasteriseLine(std::string_view gbk, const FontSpec* font) {
  const std::wstring text = win32::ToWide(gbk, win32::kGbkCodePage);
  if (!gbk.empty() && text.empty()) return std::nullopt;
  HFONT hfont = win32::CreateLineFont(font);
  if (!hfont) return std::nullopt;
  HDC dc = CreateCompatibleDC(nullptr);
  if (!dc) {
    DeleteObject(hfont);
    return std::nullopt;
  }
  HGDIOBJ old_font = SelectObject(dc, hfont);

  std::optional<LineBitmap> result;
  TEXTMETRICW tm{};
  SIZE extent{};
  const int len = static_cast<int>(text.size());
  if (GetTextMetricsW(dc, &tm) && GetTextExtentPoint32W(dc, text.c_str(), len, &extent)) {
    LineBitmap line;
    line.width = extent.cx;
    line.height = tm.tmHeight;
    if (line.width <= 0 || line.height <= 0) {
      line.width = 0;
      result = std::move(line);
    } else {
      BITMAPINFO bmi{};
      bmi.bmiHeader.biSize = sizeof bmi.bmiHeader;
      bmi.bmiHeader.biWidth = line.width;
      bmi.bmiHeader.biHeight = -line.height;  // top-down rows
      bmi.bmiHeader.biPlanes = 1;
      bmi.bmiHeader.biBitCount = 32;
      bmi.bmiHeader.biCompression = BI_RGB;
      void* bits = nullptr;
      HBITMAP dib = CreateDIBSection(dc, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
      if (dib && bits) {
        HGDIOBJ old_bitmap = SelectObject(dc, dib);
        const size_t count = static_cast<size_t>(line.width) * static_cast<size_t>(line.height);
        auto* pixels = static_cast<uint32_t*>(bits);
        std::memset(pixels, 0xFF, count * sizeof(uint32_t));  // white
        SetTextColor(dc, RGB(0, 0, 0));
        SetBkMode(dc, TRANSPARENT);
        SetTextAlign(dc, TA_LEFT | TA_TOP | TA_NOUPDATECP);
        TextOutW(dc, 0, 0, text.c_str(), len);
        GdiFlush();
        line.bits.resize(count);
        for (size_t i = 0; i < count; ++i) {
          line.bits[i] = (pixels[i] & 0x00FFFFFFu) != 0x00FFFFFFu ? 1 : 0;
        }
        SelectObject(dc, old_bitmap);
        result = std::move(line);
      }
      if (dib) DeleteObject(dib);
    }
  }
  SelectObject(dc, old_font);
  DeleteDC(dc);
  DeleteObject(hfont);
  return result;
}

}  // namespace corvelin::platform::host
