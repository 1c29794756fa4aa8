// The label paths of a run: every router's label entries stitched into
// paths, each hop pointing back at the entry of the report it came from.
//
//   network::LabelPaths found = network::FollowLabelPaths(run.routers);
//   network::KeepPathsThrough(found, run.routers, "p-b");
//   network::WritePathsText(run.routers, found, std::cout);
#ifndef NETWORK_LABELPATHS_H_
#define NETWORK_LABELPATHS_H_

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "network/LabelGraph.h"
#include "report/ReportModel.h"

namespace network {

struct EntryRef {
  uint32_t router;  // index in the run's routers
  uint32_t entry;   // index in that router's label entries
};

struct LabelPaths {
  LabelGraph graph;
  std::vector<EntryRef> entries;  // by graph entry id
  std::vector<Path> paths;
};

LabelPaths FollowLabelPaths(const std::vector<report::Report>& routers);

// Keeps the paths with a hop on `device` or ending there.
void KeepPathsThrough(LabelPaths& found, const std::vector<report::Report>& routers,
                      const std::string& device);

// One line: "to-pe-d: pe-a 100 -> p-b 200 -> p-c 300 -> pe-d (egress)", its
// control characters escaped ("\x1b").
std::string PathLine(const std::vector<report::Report>& routers, const LabelPaths& found,
                     const Path& path);

// Text: broken and looping paths first, one a line, then a count of each end.
void WritePathsText(const std::vector<report::Report>& routers, const LabelPaths& found,
                    std::ostream& out);
// JSON: {"run", "paths": [{"lsp", "hops": [...], "end", "endDevice", "endAddress"}]}.
void WritePathsJson(int64_t run, const std::vector<report::Report>& routers,
                    const LabelPaths& found, std::ostream& out);

}  // namespace network

#endif  // NETWORK_LABELPATHS_H_
