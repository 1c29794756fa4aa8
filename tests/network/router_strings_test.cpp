// Whatever a router calls its LSPs, VRFs, route targets and itself is shown as
// text: it reaches neither the operator's terminal as a control sequence nor
// the XML of a picture as markup.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "network/Graphviz.h"
#include "network/LabelPaths.h"
#include "network/NetworkDot.h"
#include "network/VpnMap.h"
#include "tests/network/NetworkExamples.h"

using testing::AllOf;
using testing::HasSubstr;
using testing::Not;

namespace {

// Two routers of hostile names: an LSP that would set the terminal's title,
// a VRF with a control character, markup and entities everywhere else.
std::vector<report::Report> HostileRouters() {
  report::Report a = Router("pe&amp;1<x>",
                            {Vrf("gr\x01"
                                 "een",
                                 {"1:<&>"}, {"1:<&>", "2:\x7f"}),
                             Vrf("a]]></svg>", {"1:<&>"}, {"9:\x9b"})},
                            "10.0.0.1");
  a.vrfs[0].routeDistinguisher = "1:&lt;";
  report::LabelEntry title = LabelEntry("100", "&amp;", "10.0.0.2");
  title.lspName = "\x1b]0;owned\x07";
  a.labelEntries.push_back(title);
  a.labelEntries.push_back(LabelEntry("101", "5", "192.0.2.1]]>\x0b"));
  report::Report b = Router("p\x1b[2J",
                            {Vrf("gr\x01"
                                 "een\xEF\xBF\xBF",
                                 {"1:<&>"}, {"1:<&>"})},
                            "10.0.0.2");
  return {a, b};
}

// No control character but the line ends.
bool OnlyLineEnds(const std::string& text) {
  for (unsigned char c : text) {
    if ((c < 0x20 && c != '\n') || c == 0x7f) return false;
  }
  return text.find("\xC2\x9B") == std::string::npos;
}

TEST(RouterStrings, TextOfPathsAndVpnsEscapesControlCharacters) {
  const std::vector<report::Report> routers = HostileRouters();
  std::ostringstream paths, vpns;
  network::WritePathsText(routers, network::FollowLabelPaths(routers), paths);
  network::WriteVpnsText(network::MapVpns(routers), vpns);
  EXPECT_TRUE(OnlyLineEnds(paths.str())) << paths.str();
  EXPECT_TRUE(OnlyLineEnds(vpns.str())) << vpns.str();
  EXPECT_THAT(paths.str(), HasSubstr("\\x1b]0;owned\\x07: pe&amp;1<x> 100 -> p\\x1b[2J (egress)"));
  EXPECT_THAT(paths.str(), HasSubstr(" -> 192.0.2.1]]>\\x0b (leaves)"));
  EXPECT_THAT(vpns.str(),
              HasSubstr("  2:\\x7f  exported by none; imported by pe&amp;1<x>/gr\\x01een\n"));
  EXPECT_THAT(vpns.str(), HasSubstr("route target 9:\\x9b imported but exported by no VRF"));
}

TEST(RouterStrings, PicturesAreXmlWhateverTheRouterSent) {
  const std::vector<report::Report> routers = HostileRouters();
  const network::LabelPaths found = network::FollowLabelPaths(routers);
  std::string paths, vpns;
  ASSERT_TRUE(
      network::RenderSvg(network::PathsDot(routers, found, "paths of <&amp;>"), paths).ok());
  ASSERT_TRUE(
      network::RenderSvg(network::VpnsDot(network::MapVpns(routers), "VPNs\x01"), vpns).ok());
  // Drawn as the router wrote them: "&amp;" is six characters, not one.
  EXPECT_THAT(XmlText(paths),
              AllOf(HasSubstr("paths of <&amp;>"), HasSubstr("pe&amp;1<x>"), HasSubstr("p\\x1b[2J"),
                    HasSubstr("\n&amp;\n"), HasSubstr("192.0.2.1]]>\\x0b")))
      << paths;
  EXPECT_THAT(XmlText(vpns),
              AllOf(HasSubstr("VPNs\\x01"), HasSubstr("pe&amp;1<x>"), HasSubstr("gr\\x01een"),
                    HasSubstr("RD 1:&lt;"), HasSubstr("a]]></svg>"), HasSubstr("RT 1:<&>"),
                    HasSubstr("RT 2:\\x7f"), HasSubstr("RT 9:\\x9b"),
                    HasSubstr("gr\\x01een\xEF\xBF\xBD"), Not(HasSubstr("\xEF\xBF\xBF"))))
      << vpns;
}

}  // namespace
