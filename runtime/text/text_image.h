// A sprite template's text turned into its single-frame template image.
#pragma once

#include <cstdint>
#include <string_view>

#include "runtime/images/image.h"
#include "runtime/platform/platform.h"

namespace corvelin {

// Lines split at each line feed (a carriage return just before it is
// dropped; a final line feed starts no line), each rasterised by the backend
// in `font` (or the system's default UI font when null), stacked left-aligned
// with 2 pixels between lines. Glyph pixels are exactly `text_colour`
// (0x00BBGGRR); all others are unpainted. Null when the text has no
// measurable width or height.
SharedImage MakeTextImage(platform::Backend& backend, std::string_view gbk,
                          const platform::FontSpec* font, uint32_t text_colour);

// Reads a stored 60-byte LOGFONTA record. nullopt if `bytes` is not 60 bytes.
std::optional<platform::FontSpec> ParseLogFont(std::string_view bytes);

}  // namespace corvelin
