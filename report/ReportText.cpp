#include "report/ReportText.h"

namespace {

// The length of the valid UTF-8 sequence that starts `text` at `at`, or 0.
// Overlong forms, surrogates and code points past U+10FFFF are not valid.
size_t SequenceLength(std::string_view text, size_t at) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[at + i]); };
  const unsigned char lead = byte(0);
  if (lead < 0x80) return 1;
  size_t length;
  unsigned char low = 0x80, high = 0xBF;  // allowed range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (at + length > text.size()) return 0;
  if (byte(1) < low || byte(1) > high) return 0;
  for (size_t i = 2; i < length; ++i) {
    if (byte(i) < 0x80 || byte(i) > 0xBF) return 0;
  }
  return length;
}

void AppendLatin1(std::string& out, unsigned char byte) {
  out += static_cast<char>(0xC0 | byte >> 6);
  out += static_cast<char>(0x80 | (byte & 0x3F));
}

const char kHex[] = "0123456789abcdef";

void AppendEscaped(std::string& out, unsigned int code) {
  if (code == '\n') {
    out += "\\n";
  } else if (code == '\r') {
    out += "\\r";
  } else {
    out += "\\x";
    out += kHex[code >> 4 & 0xF];
    out += kHex[code & 0xF];
  }
}

bool IsControl(unsigned int code) {
  return (code < 0x20 && code != '\t') || (code >= 0x7F && code <= 0x9F);
}

// Calls ascii(byte) for a plain byte, multi(sequence) for a valid multi-byte
// sequence and latin1(byte) for a byte outside any valid sequence.
template <typename Ascii, typename Multi, typename Latin1>
void Walk(std::string_view bytes, Ascii ascii, Multi multi, Latin1 latin1) {
  size_t i = 0;
  while (i < bytes.size()) {
    // Runs of plain text go in one piece.
    size_t plain = i;
    while (plain < bytes.size() && static_cast<unsigned char>(bytes[plain]) < 0x80) ++plain;
    if (plain > i) {
      ascii(bytes.substr(i, plain - i));
      i = plain;
      continue;
    }
    const size_t length = SequenceLength(bytes, i);
    if (length == 0) {
      latin1(static_cast<unsigned char>(bytes[i]));
      ++i;
    } else {
      multi(bytes.substr(i, length));
      i += length;
    }
  }
}

}  // namespace

bool IsValidUtf8(std::string_view bytes) {
  for (size_t i = 0; i < bytes.size();) {
    if (static_cast<unsigned char>(bytes[i]) < 0x80) {  // most of a router's text
      ++i;
      continue;
    }
    const size_t length = SequenceLength(bytes, i);
    if (length == 0) return false;
    i += length;
  }
  return true;
}

void AppendValidUtf8(std::string& out, std::string_view bytes) {
  Walk(
      bytes, [&](std::string_view text) { out.append(text.data(), text.size()); },
      [&](std::string_view sequence) { out.append(sequence.data(), sequence.size()); },
      [&](unsigned char byte) { AppendLatin1(out, byte); });
}

std::string ValidUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  AppendValidUtf8(out, bytes);
  return out;
}

void AppendReadable(std::string& out, std::string_view bytes) {
  Walk(
      bytes,
      [&](std::string_view text) {
        for (char c : text) {
          if (IsControl(static_cast<unsigned char>(c))) {
            AppendEscaped(out, static_cast<unsigned char>(c));
          } else {
            out += c;
          }
        }
      },
      [&](std::string_view sequence) {
        // U+0080 to U+009F are C2 80 to C2 9F.
        const auto second = static_cast<unsigned char>(sequence[1]);
        if (sequence.size() == 2 && static_cast<unsigned char>(sequence[0]) == 0xC2 &&
            second <= 0x9F) {
          AppendEscaped(out, second);
        } else {
          out.append(sequence.data(), sequence.size());
        }
      },
      [&](unsigned char byte) {
        if (IsControl(byte)) {
          AppendEscaped(out, byte);
        } else {
          AppendLatin1(out, byte);
        }
      });
}

size_t CharacterCount(std::string_view utf8) {
  size_t count = 0;
  for (char c : utf8) count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return count;
}
