// The test network discovered by the fleet into PostgreSQL answers `paths`,
// `vpns`, `diff` and `html` as it does from an SQLite file, byte for byte but
// for the runs' start times and the store's name.
#include <cctype>
#include <fstream>
#include <sstream>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "network/NetworkCommands.h"
#include "store/RunDiff.h"
#include "tests/network/NetworkExamples.h"
#include "tests/support/PostgresServer.h"
#include "tests/support/TempFolder.h"

using namespace testing;

namespace {

// Length of a time "YYYY-MM-DD HH:MM:SS" at `at` (a picture writes each dash
// as &#45;), or 0.
size_t TimeAt(const std::string& text, size_t at) {
  const size_t start = at;
  auto digits = [&](int count) {
    for (; count > 0; --count, ++at) {
      if (at >= text.size() || !std::isdigit(static_cast<unsigned char>(text[at]))) return false;
    }
    return true;
  };
  auto separator = [&](const char* one) {
    for (const std::string& form : {std::string(one), std::string(*one == '-' ? "&#45;" : one)}) {
      if (text.compare(at, form.size(), form) == 0) {
        at += form.size();
        return true;
      }
    }
    return false;
  };
  const bool time = digits(4) && separator("-") && digits(2) && separator("-") && digits(2) &&
                    separator(" ") && digits(2) && separator(":") && digits(2) && separator(":") &&
                    digits(2);
  return time ? at - start : 0;
}

std::string WithoutTimes(const std::string& text) {
  std::string out;
  for (size_t at = 0; at < text.size();) {
    const size_t length = TimeAt(text, at);
    if (length > 0) {
      out += "TIME";
      at += length;
    } else {
      out += text[at++];
    }
  }
  return out;
}

// Every answer of the store at `where`, its name replaced by STORE.
std::string Answers(const std::string& where) {
  std::ostringstream all;
  for (const char* format : {"text", "json", "dot"}) {
    network::NetworkOptions options;
    options.storePath = where;
    options.format = format;
    all << Paths(options) << Vpns(options);
    options.run = 1;
    all << Paths(options) << Vpns(options);
  }
  for (const char* format : {"text", "json"}) {
    std::string problem;
    store::DiffRuns({where, std::nullopt, std::nullopt, format}, all, problem);
    all << problem;
  }
  TempFolder folder;
  network::NetworkOptions page;
  page.storePath = where;
  page.output = folder.Path() + "/run.html";
  const Status written = network::WritePage(page);
  EXPECT_TRUE(written.ok()) << written.message();
  // The page's pictures are left out: Graphviz lays a picture out differently
  // the second time in one process, from either store. Their dot is compared.
  std::string html = folder.Read("run.html");
  for (size_t at = 0; (at = html.find("<figure>", at)) != std::string::npos;) {
    const size_t end = html.find("</figure>", at);
    if (end == std::string::npos) break;
    html.replace(at, end + 9 - at, "<figure/>");
  }
  all << html;
  std::string text = WithoutTimes(all.str());
  std::string escaped = where;  // as the page writes it
  for (size_t at = 0; (at = escaped.find('&', at)) != std::string::npos; at += 5)
    escaped.replace(at, 1, "&amp;");
  for (const std::string& name : {where, escaped}) {
    for (size_t at; (at = text.find(name)) != std::string::npos;)
      text.replace(at, name.size(), "STORE");
  }
  return text;
}

TEST(NetworkEngines, AFleetIntoPostgresAnswersAsIntoSqlite) {
  PostgresServer server;
  ASSERT_TRUE(server.Started()) << server.Problem();
  const std::string url = server.NewDatabase("network");
  ASSERT_NE(url, "") << server.Problem();
  DiscoverTestNetwork(url);

  const std::string fromSqlite = Answers(TestNetworkStore());
  EXPECT_THAT(fromSqlite, HasSubstr("to-loop: pe-a 102 -> p-b 250 -> p-c 350 -> p-b 250 (loop)"));
  EXPECT_THAT(fromSqlite, HasSubstr("+ pe-d: appeared"));
  const std::string fromPostgres = Answers(url);
  EXPECT_TRUE(fromPostgres == fromSqlite) << "the answers differ: " << [&] {
    size_t at = 0;
    while (at < fromSqlite.size() && fromSqlite[at] == fromPostgres[at]) ++at;
    return "at " + std::to_string(at) + ": " + fromPostgres.substr(at - 600, 800) +
           "\ninstead of: " + fromSqlite.substr(at - 600, 800);
  }();
}

}  // namespace
