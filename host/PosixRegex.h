// A POSIX extended regular expression compiled by RE2 from the translation of
// PosixToRe2.h: what the pattern engine matches with.
#ifndef HOST_POSIXREGEX_H_
#define HOST_POSIXREGEX_H_

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace pelk {

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

#endif  // HOST_POSIXREGEX_H_
