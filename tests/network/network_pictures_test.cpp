// Pictures of the paths and the VPNs, and the page of a run: Graphviz's
// language, SVG that parses as XML and names every router, a page that
// fetches nothing.
#include <expat.h>

#include <fstream>
#include <sstream>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "network/LabelPaths.h"
#include "network/NetworkDot.h"
#include "tests/network/NetworkExamples.h"
#include "tests/support/TempFolder.h"

using testing::HasSubstr;
using testing::Not;

namespace {

network::NetworkOptions Format(const std::string& format) {
  network::NetworkOptions options;
  options.format = format;
  return options;
}

// The text of every element of an XML document, or "not XML: ..." when it
// does not parse.
std::string XmlText(const std::string& document) {
  std::string text;
  XML_Parser parser = XML_ParserCreate("UTF-8");
  XML_SetUserData(parser, &text);
  XML_SetCharacterDataHandler(parser, [](void* data, const XML_Char* s, int length) {
    static_cast<std::string*>(data)->append(s, static_cast<size_t>(length));
  });
  if (XML_Parse(parser, document.data(), static_cast<int>(document.size()), 1) != XML_STATUS_OK) {
    text = std::string("not XML: ") + XML_ErrorString(XML_GetErrorCode(parser));
  }
  XML_ParserFree(parser);
  return text;
}

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
  EXPECT_THAT(vpns, HasSubstr("\"pe-a/blue\" -> \"p-b/blue\" [color=\"#555555\", "
                              "fontcolor=\"#555555\", xlabel=\"100:10\"];"));
  EXPECT_THAT(vpns, HasSubstr("\"p-c/red\" -> \"pe-a/red\" [color=\"#555555\", "
                              "fontcolor=\"#555555\", xlabel=\"100:1\", dir=both];"));
  EXPECT_THAT(vpns, Not(HasSubstr("\"pe-a/red\" -> \"p-c/red\"")));
  EXPECT_THAT(vpns, HasSubstr("\"RT 100:99\" -> \"pe-d/green\" [color=\"#d62728\""));
}

// A chain of `count` routers, each sending label 100 on to the next with
// implicit null, and one label that goes nowhere from the first.
std::vector<report::Report> ManyRouters(int count) {
  std::vector<report::Report> routers(count);
  auto address = [](int i) { return "10." + std::to_string(i / 250) + "." + std::to_string(i % 250) + ".1"; };
  for (int i = 0; i < count; ++i) {
    routers[i].device = "r" + std::to_string(i);
    routers[i].ipAddresses.push_back({"default", address(i), 1});
    report::LabelEntry entry;
    entry.virtualRouter = "default";
    entry.inLabel = "100";
    entry.outLabel = "3";
    entry.nextHop = address((i + 1) % count);
    routers[i].labelEntries.push_back(entry);
  }
  report::LabelEntry broken = routers[0].labelEntries[0];
  broken.inLabel = "7";
  broken.outLabel = "8";
  routers[0].labelEntries.push_back(broken);
  return routers;
}

TEST(NetworkPictures, ALargeNetworkDrawsOnlyItsFindingsAndSaysSo) {
  const std::vector<report::Report> routers = ManyRouters(400);
  const network::LabelPaths found = network::FollowLabelPaths(routers);
  const std::string dot = network::PathsDot(routers, found, "big");
  EXPECT_THAT(dot, HasSubstr("only the 1 broken, looping and leaving paths of 401 (400 routers "
                             "are too many to draw); pick a router with --device"));
  EXPECT_THAT(dot, HasSubstr("\"r0\" -> \"r1\""));
  EXPECT_THAT(dot, Not(HasSubstr("\"r2\"")));

  const std::vector<report::Report> few = ManyRouters(20);
  EXPECT_THAT(network::PathsDot(few, network::FollowLabelPaths(few), "small"),
              AllOf(HasSubstr("\"r19\" -> \"r0\""), Not(HasSubstr("only the"))));
}

TEST(NetworkPage, OnePageWithSummaryFindingsPicturesAndChanges) {
  TempFolder folder;
  network::NetworkOptions options;
  options.storePath = TestNetworkStore();
  options.output = folder.Path() + "/run.html";
  std::string problem;
  ASSERT_EQ(network::WritePage(options, problem), 0) << problem;
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
  EXPECT_EQ(network::WritePage(options, problem), network::kCommandFailed);
  EXPECT_THAT(problem, HasSubstr("cannot write the page to"));
}

}  // namespace
