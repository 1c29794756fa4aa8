// POSIX extended regular expressions (C locale, one byte per character) on top
// of RE2, which reads several constructs differently or not at all: the
// translator of an ERE into RE2's syntax. PosixRegex.h compiles what it gives.
#ifndef HOST_POSIXTORE2_H_
#define HOST_POSIXTORE2_H_

#include <bitset>
#include <cstddef>
#include <string>
#include <string_view>

namespace pelk {

struct Re2Translation {
  bool ok = false;
  std::string pattern;    // RE2 syntax, set when ok
  std::string error;      // why the expression was rejected
  bool hasCaret = false;  // holds a "^" anchor
};

// Rewrites an ERE in RE2 syntax. Rejects what RE2 cannot express or what has no
// defined meaning here: back-references and other letter or digit escapes,
// repeat counts above 1000, unbalanced parentheses or brackets, repetition
// without an operand, empty or reversed ranges, unknown classes.
Re2Translation TranslatePosixEre(std::string_view ere);

// Reads the bracket expression that opens at ere[at] ("[^[:space:]]") as the
// translation does: its bytes in *set, the index after its "]" in *next.
bool ReadBracket(std::string_view ere, std::size_t at, std::bitset<256>* set, std::size_t* next);

}  // namespace pelk

#endif  // HOST_POSIXTORE2_H_
