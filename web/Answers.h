// What each page shows, as the JSON its /api/ twin answers; the HTML pages
// are drawn from the same answer, so the two never disagree. Every list is
// cut to a limit the query may lower or raise within a bound.
//
//   web::StoreReader store("fleet.db");
//   web::Answer runs = web::RunsAnswer(store, web::Query{{"limit", "10"}});
//   runs.data["runs"][0]["id"] ...
#ifndef WEB_ANSWERS_H_
#define WEB_ANSWERS_H_

#include <cstdint>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "web/StoreReader.h"

namespace web {

using Json = nlohmann::ordered_json;
using Query = std::map<std::string, std::string>;

// Its implicit destructor and moves throw nothing: the check finds a throw
// in the JSON library's code that they do not reach.
// NOLINTNEXTLINE(bugprone-exception-escape)
struct Answer {
  int status = 200;     // 400: a bad query, 404: no such run or device
  std::string message;  // why, when not 200
  Json data;
  // The list a page of this answer shows: where it starts, how many at most, of how many.
  int64_t offset = 0, limit = 0, total = 0;
  std::string text;                 // the diff's first line as `erx-discover diff` prints it
  std::vector<std::string> blocks;  // the diff's text of each device in data["devices"]
};

Answer RunsAnswer(StoreReader& store, const Query& query);              // /
Answer RunAnswer(StoreReader& store, int64_t run, const Query& query);  // /runs/N
Answer DeviceAnswer(StoreReader& store, int64_t run, const std::string& name,
                    const Query& query);                                  // /runs/N/devices/NAME
Answer SearchAnswer(StoreReader& store, const Query& query);              // /search?q=
Answer PathsAnswer(StoreReader& store, int64_t run, const Query& query);  // /runs/N/paths
Answer VpnsAnswer(StoreReader& store, int64_t run, const Query& query);   // /runs/N/vpns
Answer DiffAnswer(StoreReader& store, const Query& query);                // /diff?a=N&b=M
// The pictures, as `paths --format svg` and `vpns --format svg` draw them;
// the answer's text is the SVG document.
Answer PathsPicture(StoreReader& store, int64_t run, const Query& query);
Answer VpnsPicture(StoreReader& store, int64_t run, const Query& query);

// A run as the diff writes it: {"id", "startedAt", "finishedAt", "inventory"}.
Json RunJson(const store::StoredRun& run);

}  // namespace web

#endif  // WEB_ANSWERS_H_
