#include "fuzz/support/TextChecks.h"

#include <cstdint>

namespace {

// Decodes the character at text[i] and moves i past it; false when the bytes
// there are not valid UTF-8.
bool Next(std::string_view text, std::size_t& i, std::uint32_t& code) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(i);
  std::size_t length = lead < 0x80         ? 1
                       : lead >> 5 == 0x6  ? 2
                       : lead >> 4 == 0xE  ? 3
                       : lead >> 3 == 0x1E ? 4
                                           : 0;
  if (length == 0 || i + length > text.size()) return false;
  code = length == 1 ? lead : lead & (0x7F >> length);
  for (std::size_t k = 1; k < length; ++k) {
    if (byte(i + k) >> 6 != 0x2) return false;
    code = code << 6 | (byte(i + k) & 0x3F);
  }
  static const std::uint32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
  if (code < kSmallest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
    return false;
  }
  i += length;
  return true;
}

}  // namespace

bool IsUtf8(std::string_view text) {
  std::uint32_t code = 0;
  for (std::size_t i = 0; i < text.size();) {
    if (!Next(text, i, code)) return false;
  }
  return true;
}

bool HasControlCharacter(std::string_view utf8) {
  std::uint32_t code = 0;
  for (std::size_t i = 0; i < utf8.size();) {
    if (!Next(utf8, i, code)) return false;
    if ((code < 0x20 && code != '\t' && code != '\n') || (code >= 0x7F && code <= 0x9F)) {
      return true;
    }
  }
  return false;
}
