// Anchored leftmost-longest matching of the simple POSIX expressions without
// RE2: a field such as "([0-9]{1,3}\.){3}[0-9]{1,3}" or "[[:space:]]+on +"
// is a few bytes long, and an RE2 search of it costs more in setting up than
// in scanning. The scanner walks the expression byte by byte and tries both
// ways only where the next byte allows both (a run that may stop where what
// follows it may start); when that branches too much it gives up and the
// caller asks RE2.
//
//   auto scanner = pelk::ByteScanner::Build("[0-9]+/[0-9]+");
//   std::size_t length = 0;
//   if (scanner && scanner->Longest("12/34 x", &length) == ByteScanner::kMatch) ...  // 5
#ifndef HOST_BYTESCANNER_H_
#define HOST_BYTESCANNER_H_

#include <cstddef>
#include <memory>
#include <string_view>

namespace pelk {

class ByteScanner {
 public:
  enum Outcome { kMatch, kNoMatch, kUndecided };

  // Null when the expression uses what the scanner does not read ("$",
  // back-references, "^" anywhere but at its start, a repeated group that may
  // match the empty text, repeat counts above 64) or is not a valid expression.
  static std::unique_ptr<const ByteScanner> Build(std::string_view ere);

  // The longest match that starts at text[0], "^" matching there: its length
  // in *length on kMatch. kUndecided when the search branched too often.
  Outcome Longest(std::string_view text, std::size_t* length) const;

  ByteScanner(const ByteScanner&) = delete;
  ByteScanner& operator=(const ByteScanner&) = delete;
  ~ByteScanner();

 private:
  struct Expression;  // the expression as read, with what may begin and follow each part
  explicit ByteScanner(std::unique_ptr<const Expression> expression);
  std::unique_ptr<const Expression> expression_;
};

}  // namespace pelk

#endif  // HOST_BYTESCANNER_H_
