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

// The font description of a line: the stored one, or the system's default GUI
// font. Either way without smoothing, so that every glyph pixel is either set
// or not.
bool LineFont(const FontSpec* font_spec, LOGFONTW* lf) {
  *lf = LOGFONTW{};
  if (font_spec) {
    lf->lfHeight = font_spec->height;
    lf->lfWeight = font_spec->weight;
    lf->lfItalic = font_spec->italic ? TRUE : FALSE;
    lf->lfCharSet = DEFAULT_CHARSET;
    const std::wstring face = ToWide(font_spec->face, kGbkCodePage);
    wcsncpy(lf->lfFaceName, face.c_str(), LF_FACESIZE - 1);
  } else if (GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof *lf, lf) == 0) {
    return false;
  }
  lf->lfQuality = NONANTIALIASED_QUALITY;
  lf->lfOutPrecision = OUT_DEFAULT_PRECIS;
  lf->lfClipPrecision = CLIP_DEFAULT_PRECIS;
  return true;
}

// Whether the font selected into `dc` can draw Chinese: has a glyph for 中.
bool DrawsChinese(HDC dc) {
  const wchar_t zhong = 0x4E2D;
  WORD glyph = 0;
  if (GetGlyphIndicesW(dc, &zhong, 1, &glyph, GGI_MARK_NONEXISTING_GLYPHS) != 1) {
    return true;  // cannot tell: draw with the font as it is
  }
  return glyph != 0xFFFF;
}

// Selects the font of a line into `dc`; returns it (the caller deletes it),
// or null. Texts are GBK, so a font that cannot draw Chinese (a Western UI
// font on a system whose font linking has no Chinese font to offer, as in a
// fresh Wine prefix) gives way to one of the same size and weight that covers
// the GBK character set, which the font mapper picks. The choice does not
// depend on a line's characters, so every line of a text has the same height.
HFONT SelectLineFont(HDC dc, const FontSpec* font_spec) {
  LOGFONTW lf;
  if (!LineFont(font_spec, &lf)) return nullptr;
  HFONT font = CreateFontIndirectW(&lf);
  if (!font) return nullptr;
  SelectObject(dc, font);
  if (DrawsChinese(dc)) return font;
  lf.lfCharSet = GB2312_CHARSET;
  lf.lfFaceName[0] = L'\0';
  HFONT chinese = CreateFontIndirectW(&lf);
  if (!chinese) return font;
  SelectObject(dc, chinese);
  DeleteObject(font);
  return chinese;
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
  HDC dc = CreateCompatibleDC(nullptr);
  if (!dc) return std::nullopt;
  HGDIOBJ old_font = GetCurrentObject(dc, OBJ_FONT);
  HFONT hfont = win32::SelectLineFont(dc, font);
  if (!hfont) {
    DeleteDC(dc);
    return std::nullopt;
  }

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
