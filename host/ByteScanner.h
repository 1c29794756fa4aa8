// Anchored leftmost-longest matching of the POSIX expressions without RE2:
// a field such as "([0-9]{1,3}\.){3}[0-9]{1,3}" or "[[:space:]]+on +" is a few
// bytes long, and an RE2 search of it costs more in setting up than in
// scanning. The expression is turned into a deterministic automaton over
// classes of bytes when it is built, so a search is one table step a byte,
// stopping where nothing longer can match.
//
//   auto scanner = pelk::ByteScanner::Build("[0-9]+/[0-9]+");
//   std::size_t length = 0;
//   if (scanner && scanner->Longest("12/34 x", &length)) ...  // length 5
#ifndef HOST_BYTESCANNER_H_
#define HOST_BYTESCANNER_H_

#include <cstddef>
#include <memory>
#include <string_view>

namespace pelk {

class ByteScanner {
 public:
  // Null when the expression uses what the scanner does not read ("$",
  // back-references, "^" anywhere but at its start, a repeated group that may
  // match the empty text, repeat counts above 64), when its automaton would be
  // too large, or when it is not a valid expression.
  static std::unique_ptr<const ByteScanner> Build(std::string_view ere);

  // The longest match that starts at text[0], "^" matching there: false when
  // there is none, else its length in *length.
  bool Longest(std::string_view text, std::size_t* length) const;

  ByteScanner(const ByteScanner&) = delete;
  ByteScanner& operator=(const ByteScanner&) = delete;
  ~ByteScanner();

 private:
  struct Expression;  // the automaton
  explicit ByteScanner(std::unique_ptr<const Expression> expression);
  std::unique_ptr<const Expression> expression_;
};

}  // namespace pelk

#endif  // HOST_BYTESCANNER_H_
