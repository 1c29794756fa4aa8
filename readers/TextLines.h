// Lines and words of a router's reply, as views into it. A reply may be
// hundreds of megabytes: reading it must not copy it.
#ifndef READERS_TEXTLINES_H_
#define READERS_TEXTLINES_H_

#include <string_view>

namespace readers {

// Calls `each` with every line of `text`, without its "\n" or "\r\n".
template <typename Each>
void ForEachLine(std::string_view rest, Each each) {
  while (!rest.empty()) {
    const size_t end = rest.find('\n');
    std::string_view line = rest.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    each(line);
    if (end == std::string_view::npos) break;
    rest.remove_prefix(end + 1);
  }
}

// Calls `each` with every blank-separated word of `line`, in order; stops
// early when `each` returns false.
template <typename Each>
void ForEachWord(std::string_view line, Each each) {
  const char* blanks = " \t\r\n\v\f";
  for (size_t start = line.find_first_not_of(blanks); start != std::string_view::npos;) {
    const size_t end = line.find_first_of(blanks, start);
    if (!each(line.substr(start, end - start)) || end == std::string_view::npos) return;
    start = line.find_first_not_of(blanks, end);
  }
}

// The first word of `line`; empty for a blank line.
inline std::string_view FirstWordOf(std::string_view line) {
  std::string_view first;
  ForEachWord(line, [&](std::string_view word) {
    first = word;
    return false;
  });
  return first;
}

}  // namespace readers

#endif  // READERS_TEXTLINES_H_
