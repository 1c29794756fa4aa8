// One self-contained page of a run: nothing is fetched from anywhere, the
// pictures are inline SVG and the style is in the page.
#ifndef NETWORK_HTMLPAGE_H_
#define NETWORK_HTMLPAGE_H_

#include <ostream>
#include <string>
#include <string_view>

#include "network/LabelPaths.h"
#include "network/NetworkRun.h"
#include "network/VpnMap.h"

namespace network {

struct PageParts {
  const NetworkRun* run;
  const LabelPaths* paths;
  const VpnMap* vpns;
  std::string pathsSvg;
  std::string vpnsSvg;
  std::string changes;  // the diff against the run before, as text; empty: no run before
};

void WriteHtmlPage(const PageParts& parts, std::ostream& out);

// Valid UTF-8 with & < > " ' as character references: for element text and
// quoted attribute values alike, on this page and on those of the server.
std::string Escape(std::string_view text);

}  // namespace network

#endif  // NETWORK_HTMLPAGE_H_
