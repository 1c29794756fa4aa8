// POSIX extended regular expressions (C locale, one byte per character) on top
// of RE2, which reads several constructs differently or not at all: the
// translator here (PosixToRe2.cpp) and the compiled expressions
// (PosixRegex.cpp).
#ifndef HOST_POSIXTORE2_H_
#define HOST_POSIXTORE2_H_

#include <cstddef>
#include <memory>
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

// A translated and compiled ERE, shared by every PosixRegex of the same text.
struct CompiledEre;

// A translated and compiled ERE. "^" matches only where the searched text
// begins, "." and negated brackets match a newline, and matches are
// leftmost-longest. Copies share the compiled program, which is immutable.
class PosixRegex {
 public:
  explicit PosixRegex(std::string_view ere);

  bool ok() const;
  const std::string& error() const;
  bool hasCaret() const;

  // Searches `text` as a string of its own; on success sets the bounds of the
  // match relative to text.data().
  bool Find(std::string_view text, std::size_t* begin, std::size_t* end) const;

 private:
  std::shared_ptr<const CompiledEre> program_;
};

}  // namespace pelk

#endif  // HOST_POSIXTORE2_H_
