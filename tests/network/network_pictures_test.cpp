// Pictures of the paths and the VPNs, and the page of a run: Graphviz's
// language, SVG that parses as XML and names every router, a page that
// fetches nothing.
#include <fstream>
#include <sstream>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "network/Graphviz.h"
#include "network/HtmlPage.h"
#include "network/LabelPaths.h"
#include "network/NetworkDot.h"
#include "network/VpnMap.h"
#include "tests/network/NetworkExamples.h"
#include "tests/support/TempFolder.h"

using testing::HasSubstr;
using testing::Not;

namespace {

TEST(NetworkPictures, SvgOfBothIsXmlNamingEveryRouter) {
  for (const std::string& svg : {Paths(Format("svg")), Vpns(Format("svg"))}) {
    const std::string text = XmlText(svg);
    for (const char* router : {"pe-a", "p-b", "p-c", "pe-d"}) {
      EXPECT_THAT(text, HasSubstr(router)) << svg;
    }
    EXPECT_THAT(text, HasSubstr("legend"));
  }
}

TEST(NetworkPictures, PathArrowsCarryTheirLabelsInTheColourOfTheirEnd) {
  const std::string dot = Paths(Format("dot"));
  EXPECT_THAT(dot, HasSubstr("\"pe-a\" -> \"p-b\" [color=\"#555555\", fontcolor=\"#555555\", "
                             "label=\"200\"];"));
  EXPECT_THAT(dot, HasSubstr("\"pe-a\" -> \"p-b\" [color=\"#d62728\", fontcolor=\"#d62728\", "
                             "label=\"201 (no entry)\"];"));
  EXPECT_THAT(dot, HasSubstr("\"p-c\" -> \"p-b\" [color=\"#ff7f0e\", fontcolor=\"#ff7f0e\", "
                             "label=\"260, 250\"];"));
  EXPECT_THAT(dot, HasSubstr("\"pe-d\" -> \"192.0.2.9\" [color=\"#1f77b4\", fontcolor=\"#1f77b4\", "
                             "label=\"500\", style=dashed];"));

  const std::string vpns = Vpns(Format("dot"));
  // Route targets as nodes: no label on an arrow to overlap another.
  EXPECT_THAT(vpns, HasSubstr("\"pe-a/blue\" -> \"RT 100:10\" [color=\"#555555\"];\n"
                              "  \"RT 100:11\" -> \"pe-a/blue\" [color=\"#555555\"];"));
  EXPECT_THAT(vpns, HasSubstr("\"p-c/red\" -> \"RT 100:1\" [color=\"#555555\", dir=both];"));
  EXPECT_THAT(vpns, Not(HasSubstr("label=\"100:")));
  EXPECT_THAT(vpns, HasSubstr("\"RT 100:99\" -> \"pe-d/green\" [color=\"#d62728\""));
}

// A ring of `count` routers, each sending label 100 on to the next with
// implicit null, one label of the first that the second has no entry for, and
// `leaving` labels of each router to the same address outside.
std::vector<report::Report> Ring(int count, int leaving = 0) {
  std::vector<report::Report> routers;
  for (int i = 0; i < count; ++i) {
    routers.push_back(Router("r" + std::to_string(i), {}, AddressOf(i)));
    routers[i].labelEntries.push_back(LabelEntry("100", "3", AddressOf((i + 1) % count)));
    for (int l = 0; l < leaving; ++l) {
      routers[i].labelEntries.push_back(
          LabelEntry(std::to_string(1000 + l), std::to_string(2000 + l), "192.0.2.1"));
    }
  }
  routers[0].labelEntries.push_back(LabelEntry("7", "8", AddressOf(1)));
  return routers;
}

// Node and arrow statements of a picture in Graphviz's language.
struct Counted {
  size_t nodes = 0, arrows = 0;
};
Counted Count(const std::string& dot) {
  Counted counted;
  std::istringstream lines(dot);
  for (std::string line; std::getline(lines, line);) {
    if (line.find(" -> ") != std::string::npos) {
      ++counted.arrows;
    } else if (line.rfind("  \"", 0) == 0 || line.rfind("    \"", 0) == 0) {
      ++counted.nodes;
    }
  }
  return counted;
}

TEST(NetworkPictures, ALargeNetworkIsBoundedFindingsFirstAndSaysWhatWasLeftOut) {
  // 600 routers in a ring, 40 labels of each leaving by the same next hop:
  // 24,601 paths, 24,000 of them leaving.
  const std::vector<report::Report> routers = Ring(600, 40);
  const network::LabelPaths found = network::FollowLabelPaths(routers);
  ASSERT_EQ(found.paths.size(), 24601u);
  const std::string dot = network::PathsDot(routers, found, "big");
  const Counted counted = Count(dot);
  EXPECT_LE(counted.nodes, network::kMostDrawnNodes);
  EXPECT_LE(counted.arrows, network::kMostDrawnArrows);
  // The broken path first, then the leaving ones, one arrow from each router
  // to the address outside with its count, until the nodes are used up; then
  // what fits of the ring.
  EXPECT_THAT(dot, HasSubstr("\"r0\" -> \"r1\" [color=\"#d62728\", fontcolor=\"#d62728\", "
                             "label=\"8 (no entry)\"];"));
  EXPECT_THAT(dot, HasSubstr("\"r5\" -> \"192.0.2.1\" [color=\"#1f77b4\", fontcolor=\"#1f77b4\", "
                             "label=\"2000, 2001, 2002, 2003, ... (40 paths)\", style=dashed];"));
  EXPECT_THAT(dot, HasSubstr("\"r298\" -> \"192.0.2.1\""));
  EXPECT_THAT(dot, Not(HasSubstr("\"r299\"")));
  EXPECT_THAT(dot, HasSubstr("\"r297\" -> \"r298\" [color=\"#555555\""));
  EXPECT_THAT(dot, HasSubstr("left out: 12342 of 24601 paths (12040 leaving, 302 reaching their "
                             "egress)"));

  // What fits is drawn whole, and says nothing of what was left out.
  const std::vector<report::Report> few = Ring(20);
  EXPECT_THAT(network::PathsDot(few, network::FollowLabelPaths(few), "small"),
              AllOf(HasSubstr("\"r19\" -> \"r0\""), Not(HasSubstr("left out"))));
}

TEST(NetworkPictures, LargeVpnsAreOneBoxEachAndTheTextSaysHowMany) {
  // The fleet benchmark's VRFs on 300 routers: ten full meshes of 300 VRFs, each
  // also importing a target nobody exports; and 400 VPNs of two VRFs.
  std::vector<report::Report> routers;
  for (int r = 0; r < 300; ++r) {
    std::vector<report::Vrf> vrfs;
    for (int v = 1; v <= 10; ++v) {
      vrfs.push_back(Vrf("vrf" + std::to_string(v), {"100:" + std::to_string(v)},
                         {"100:" + std::to_string(v), "100:0"}));
    }
    routers.push_back(Router("pe" + std::to_string(r), std::move(vrfs)));
  }
  for (int p = 0; p < 400; ++p) {
    const std::string target = "200:" + std::to_string(p);
    const std::string n = std::to_string(p);
    routers.push_back(
        Router("ce" + n, {Vrf("a" + n, {target}, {target}), Vrf("b" + n, {target}, {target})}));
  }
  const network::VpnMap map = network::MapVpns(routers);
  ASSERT_EQ(map.vrfs.size(), 3800u);
  const std::string dot = network::VpnsDot(map, "big");
  const Counted counted = Count(dot);
  EXPECT_LE(counted.nodes, network::kMostDrawnNodes);
  EXPECT_LE(counted.arrows, network::kMostDrawnArrows);
  // The meshes hold the finding: drawn first, one box each, one arrow each
  // from the target nobody exports.
  EXPECT_THAT(dot, HasSubstr("[label=\"full-mesh VPN of 300 VRFs\\nRT 100:1\\npe0/vrf1, "
                             "pe1/vrf1, pe10/vrf1 and 297 more\", shape=box3d"));
  EXPECT_THAT(dot, HasSubstr("\"RT 100:0\" [label=\"RT 100:0\\nimported by 3000 VRFs, "
                             "exported by none\""));
  EXPECT_THAT(dot, HasSubstr("\"RT 100:0\" -> \"VPN 10\""));
  // Then the small VPNs one by one while they fit, one more as a box.
  EXPECT_THAT(dot, HasSubstr("\"ce0/a0\" -> \"RT 200:0\" [color=\"#555555\", dir=both];"));
  EXPECT_THAT(dot, HasSubstr("\"VPN 11\" [label=\"full-mesh VPN of 2 VRFs"));
  EXPECT_THAT(dot, HasSubstr("left out: 606 of 3800 VRFs (303 VPNs)"));
  std::string svg;
  ASSERT_TRUE(network::RenderSvg(dot, svg).ok());
  EXPECT_THAT(XmlText(svg), HasSubstr("left out"));

  std::ostringstream text, full;
  network::WriteVpnsText(map, text);
  network::WriteVpnsText(map, full, true);
  EXPECT_THAT(text.str(), HasSubstr("\n  full-mesh: 300 VRFs: pe0/vrf1, pe1/vrf1, pe10/vrf1, "
                                    "pe100/vrf1, pe101/vrf1 and 295 more\n"));
  EXPECT_THAT(text.str(), HasSubstr("imported but exported by no VRF: 3000 VRFs: pe0/vrf1,"));
  std::istringstream lines(text.str());
  for (std::string line; std::getline(lines, line);) EXPECT_LT(line.size(), 200u) << line;
  EXPECT_THAT(text.str(), Not(HasSubstr("pe99/vrf9\n")));
  EXPECT_THAT(full.str(), HasSubstr("pe99/vrf1, pe99/vrf10, pe99/vrf2, pe99/vrf3, pe99/vrf4, "
                                    "pe99/vrf5, pe99/vrf6, pe99/vrf7, pe99/vrf8, pe99/vrf9\n"));
}

TEST(NetworkPage, OnePageWithSummaryFindingsPicturesAndChanges) {
  TempFolder folder;
  network::NetworkOptions options;
  options.storePath = TestNetworkStore();
  options.output = folder.Path() + "/run.html";
  const Status written = network::WritePage(options);
  ASSERT_TRUE(written.ok()) << written.message();
  const std::string page = folder.Read("run.html");

  EXPECT_THAT(page, HasSubstr("<tr><td>pe-d</td><td>ok</td><td class=\"n\">1</td>"
                              "<td class=\"n\">3</td><td class=\"n\">2</td><td></td></tr>"));
  EXPECT_THAT(page, HasSubstr("<li>to-nowhere: pe-a 101 -&gt; p-b 201 (broken: no entry)</li>"));
  EXPECT_THAT(page, HasSubstr("<li>route target 100:99 imported but exported by no VRF: "
                              "pe-d/green</li>"));
  EXPECT_THAT(page, HasSubstr("+ pe-d: appeared"));
  size_t pictures = 0;
  for (size_t at = page.find("<svg"); at != std::string::npos; at = page.find("<svg", at + 1)) {
    ++pictures;
  }
  EXPECT_EQ(pictures, 2u);
  // Self-contained: nothing to load, no script; the only URLs are SVG's namespaces.
  for (const char* fetches : {"<script", "<link", "src=", "url(", "@import", "https:"}) {
    EXPECT_THAT(page, Not(HasSubstr(fetches)));
  }
  std::string rest = page;
  for (const char* name : {"http://www.w3.org/2000/svg", "http://www.w3.org/1999/xlink"}) {
    for (size_t at; (at = rest.find(name)) != std::string::npos;) rest.erase(at, strlen(name));
  }
  EXPECT_THAT(rest, Not(HasSubstr("http:")));

  options.output = folder.Path() + "/no-such-folder/run.html";
  EXPECT_THAT(network::WritePage(options).message(), HasSubstr("cannot write the page to"));
}

TEST(NetworkPage, ALargeRunListsItsFirstFindingsAndWrapsTheChanges) {
  network::NetworkRun run;
  run.routers = Ring(50, 3);  // 151 findings: 1 broken, 150 leaving
  const network::LabelPaths paths = network::FollowLabelPaths(run.routers);
  const network::VpnMap vpns = network::MapVpns(run.routers);
  const std::string longLine(500, 'x');
  std::ostringstream page;
  network::WriteHtmlPage({&run, &paths, &vpns, "", "", longLine + "\n"}, page);
  EXPECT_THAT(page.str(), HasSubstr("<li>r0 7 -&gt; r1 8 (broken: no entry)</li>"));
  EXPECT_THAT(page.str(), HasSubstr("<li>and 51 more (<code>erx-discover paths</code> lists them "
                                    "all)</li>\n</ul>"));
  size_t items = 0;
  for (size_t at = page.str().find("<li>"); at != std::string::npos;
       at = page.str().find("<li>", at + 1)) {
    ++items;
  }
  EXPECT_EQ(items, 100u + 1 + 1);  // the first hundred, "and 51 more", the VPNs' "none"
  // The diff's lines wrap at the page's edge instead of running off it.
  EXPECT_THAT(page.str(), HasSubstr("pre{background:#f6f6f6;padding:8px;white-space:pre-wrap;"
                                    "overflow-wrap:anywhere}"));
  EXPECT_THAT(page.str(), HasSubstr("<pre>" + longLine + "\n</pre>"));
}

}  // namespace
