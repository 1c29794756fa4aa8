// The known name that a mistyped one most likely means, for "did you mean"
// in messages about options and keys:
//
//   NearestName("--debgu", {"--debug", "--device-timeout"}) == "--debug"
//   NearestName("--colour", {"--debug"}) == ""
#ifndef REPORT_NEARESTNAME_H_
#define REPORT_NEARESTNAME_H_

#include <algorithm>
#include <string>
#include <vector>

// Edits (insert, delete, replace, or swap two neighbours) that turn `a` into `b`.
inline size_t EditDistance(const std::string& a, const std::string& b) {
  std::vector<std::vector<size_t>> d(a.size() + 1, std::vector<size_t>(b.size() + 1));
  for (size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
  for (size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    for (size_t j = 1; j <= b.size(); ++j) {
      d[i][j] =
          std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + (a[i - 1] != b[j - 1])});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) {
        d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
      }
    }
  }
  return d[a.size()][b.size()];
}

// The nearest of `known` when it is close enough to be a slip of the
// fingers (about one edit in four characters, at most three); else "".
inline std::string NearestName(const std::string& typed, const std::vector<std::string>& known) {
  const size_t allowed = std::min<size_t>(3, std::max<size_t>(1, typed.size() / 4));
  std::string nearest;
  size_t best = allowed + 1;
  for (const std::string& name : known) {
    const size_t distance = EditDistance(typed, name);
    if (distance < best) {
      best = distance;
      nearest = name;
    }
  }
  return nearest;
}

#endif  // REPORT_NEARESTNAME_H_
