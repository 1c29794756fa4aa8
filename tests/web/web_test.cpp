// The web UI's parts without a server: who may get in, text made safe for a
// page, and the answers read from a store written in a temporary folder.
#include <crypt.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <memory>

#include "store/Store.h"
#include "tests/support/TempFolder.h"
#include "web/Access.h"
#include "web/Answers.h"
#include "web/Html.h"
#include "web/Pages.h"

using ::testing::AllOf;
using ::testing::HasSubstr;

namespace {

std::string Hash(const std::string& password, const char* method) {
  char setting[CRYPT_GENSALT_OUTPUT_SIZE];
  crypt_data data{};
  EXPECT_NE(crypt_gensalt_rn(method, 0, nullptr, 0, setting, sizeof setting), nullptr);
  return crypt_r(password.c_str(), setting, &data);
}

std::string Write(const TempFolder& folder, const std::string& name, const std::string& text,
                  mode_t mode) {
  std::string path = folder.Path() + "/" + name;
  std::ofstream(path) << text;
  chmod(path.c_str(), mode);
  return path;
}

TEST(WebAccess, ListenAddressesAndWhenTheServerMustNotStart) {
  web::ListenAddress listen;
  ASSERT_TRUE(web::ParseListen("[::1]:0").Into(listen).ok());
  EXPECT_EQ(listen.host, "::1");
  EXPECT_EQ(listen.port, 0);
  for (const char* bad :
       {"127.0.0.1", "127.0.0.1:", "localhost:80", "::1:80", "10.0.0.1:65536", "[::1]80", ":80"}) {
    const Result<web::ListenAddress> parsed = web::ParseListen(bad);
    EXPECT_FALSE(parsed.ok()) << bad;
    EXPECT_NE(parsed.message().find("--listen"), std::string::npos);
  }
  EXPECT_TRUE(web::IsLoopback("127.3.2.1"));
  EXPECT_TRUE(web::IsLoopback("::1"));
  EXPECT_FALSE(web::IsLoopback("0.0.0.0"));
  EXPECT_FALSE(web::IsLoopback("::"));

  web::AccessOptions options;
  options.listen.host = "127.0.0.1";
  EXPECT_EQ(web::AccessProblem(options), "");
  options.listen.host = "0.0.0.0";
  EXPECT_NE(web::AccessProblem(options).find("--auth-file"), std::string::npos);
  options.authFile = "users";
  EXPECT_NE(web::AccessProblem(options).find("--insecure-http"), std::string::npos);
  options.insecureHttp = true;
  EXPECT_EQ(web::AccessProblem(options), "");
  options.tlsCert = "cert.pem";
  EXPECT_NE(web::AccessProblem(options).find("go together"), std::string::npos);
  options.tlsKey = "key.pem";
  EXPECT_NE(web::AccessProblem(options).find("contradict"), std::string::npos);
  options.insecureHttp = false;
  EXPECT_EQ(web::AccessProblem(options), "");
}

TEST(WebAccess, UsersOfAnAuthFileAndBasicCredentials) {
  TempFolder folder;
  const std::string lines = "# who may read the store\nada:" + Hash("right horse", "$y$") +
                            "\nbob:" + Hash("battery", "$6$") + "\n";
  web::Users users;
  Status loaded;
  loaded = users.Load(Write(folder, "open", lines, 0644));
  EXPECT_FALSE(loaded.ok());
  EXPECT_NE(loaded.message().find("chmod 600"), std::string::npos);
  loaded = users.Load(Write(folder, "md5", "eve:$1$abc$def\n", 0600));
  EXPECT_FALSE(loaded.ok());
  EXPECT_NE(loaded.message().find("md5:1: the hash is neither yescrypt"), std::string::npos);
  loaded = users.Load(Write(folder, "plain", "eve\n", 0600));
  EXPECT_FALSE(loaded.ok());
  EXPECT_NE(loaded.message().find("plain:1: not a USER:HASH line"), std::string::npos);

  loaded = users.Load(Write(folder, "users", lines, 0600));
  ASSERT_TRUE(loaded.ok()) << loaded.message();
  EXPECT_TRUE(users.Check("ada", "right horse"));
  EXPECT_TRUE(users.Check("bob", "battery"));
  EXPECT_FALSE(users.Check("ada", "battery"));
  EXPECT_FALSE(users.Check("ada", ""));
  EXPECT_FALSE(users.Check("eve", "right horse"));
  EXPECT_TRUE(users.Allows("Basic YWRhOnJpZ2h0IGhvcnNl"));   // ada:right horse
  EXPECT_FALSE(users.Allows("Basic YWRhOnJpZ2h0IGhvcnNm"));  // ada:right horsf
  EXPECT_FALSE(users.Allows("Basic YWRhOnJpZ2h0IGhvcnNl="));
  EXPECT_FALSE(users.Allows("Bearer YWRhOnJpZ2h0IGhvcnNl"));
  EXPECT_FALSE(users.Allows("Basic YWRh"));  // "ada", no colon
  EXPECT_FALSE(users.Allows(""));
}

TEST(WebHtml, TextAndUrlsMadeSafe) {
  EXPECT_EQ(web::Escape("<a href=\"x\" title='y'>&</a>"),
            "&lt;a href=&quot;x&quot; title=&#39;y&#39;&gt;&amp;&lt;/a&gt;");
  EXPECT_EQ(web::Escape("caf\xE9"), "caf\xC3\xA9");  // a stray byte read as Latin-1
  EXPECT_EQ(web::UrlPart("pe 1/\"a\"?&#%"), "pe%201%2F%22a%22%3F%26%23%25");
  EXPECT_EQ(web::Link("/runs/1/devices/" + web::UrlPart("a\"b"), "a\"b"),
            "<a href=\"/runs/1/devices/a%22b\">a&quot;b</a>");
}

report::Report Router(const std::string& name, int entries) {
  report::Report r;
  r.device = name;
  r.agent = "test";
  for (int i = 0; i < entries; ++i) {
    report::LabelEntry e;
    e.virtualRouter = "default";
    e.inLabel = std::to_string(100 + i);
    e.outLabel = std::to_string(200 + i);
    e.lspName = "to-" + name;
    e.outInterface = "ATM2/0." + std::to_string(i);
    e.nextHop = "10.0.0." + std::to_string(i);
    e.inIfIndexes.emplace();
    e.inInterfaces.emplace();
    r.labelEntries.push_back(e);
  }
  r.vrfs.push_back(
      {"default", "red", "100:1", std::vector<std::string>{"100:1"},
       std::vector<std::string>{"100:2"}, std::vector<int>{},
       std::vector<report::Imposition>{{"17", "10.6.0.0/16", 3, "ATM3/0", "3.3.3.3"}}});
  r.ipAddresses.push_back({"default", "10.1.2.3", 3});
  return r;
}

class WebAnswers : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = folder_.Path() + "/fleet.db";
    std::unique_ptr<store::Store> stored;
    ASSERT_TRUE(store::OpenStore(path_, store::Access::kWrite).Into(stored).ok());
    store::Store& results = *stored;
    int64_t run = 0;
    ASSERT_TRUE(results.BeginRun("fleet.yaml").Into(run).ok());
    for (const char* name : {"pe1", "pe2", "pe10"}) {
      const report::Report r = Router(name, name == std::string("pe2") ? 250 : 3);
      const std::string region = name == std::string("pe2") ? "us-east" : "eu-west";
      ASSERT_TRUE(results.StoreDevice(run, {name, "here", "ok", "", 0.25, region}, &r).ok());
    }
    ASSERT_TRUE(
        results.StoreDevice(run, {"pe3", "there", "failed", "no answer", 30, ""}, nullptr).ok());
    ASSERT_TRUE(results.FinishRun(run).ok());
  }

  TempFolder folder_;
  std::string path_;
};

TEST_F(WebAnswers, ARunsDevicesFilteredAndCutToAPage) {
  web::StoreReader store(path_);
  web::Answer all = web::RunAnswer(store, 1, {});
  EXPECT_EQ(all.total, 4);
  EXPECT_EQ(all.data["byStatus"], (web::Json{{"failed", 1}, {"ok", 3}}));
  EXPECT_EQ(all.data["devices"][1]["name"], "pe10");
  EXPECT_EQ(all.data["devices"][2]["labelEntries"], 250);
  EXPECT_EQ(all.data["devices"][3]["discovered"], false);

  web::Answer page = web::RunAnswer(
      store, 1, {{"status", "ok"}, {"name", "pe1"}, {"offset", "1"}, {"limit", "1"}});
  EXPECT_EQ(page.total, 2);  // pe1 and pe10
  ASSERT_EQ(page.data["devices"].size(), 1u);
  EXPECT_EQ(page.data["devices"][0]["name"], "pe10");

  // By region, with the other filters; a device without one is in none.
  EXPECT_EQ(all.data["byRegion"], (web::Json{{"eu-west", 2}, {"us-east", 1}}));
  EXPECT_EQ(all.data["devices"][3]["region"], nullptr);
  const web::Answer west = web::RunAnswer(store, 1, {{"region", "eu-west"}, {"name", "pe1"}});
  EXPECT_EQ(west.total, 2);
  EXPECT_EQ(west.data["devices"][0]["region"], "eu-west");
  EXPECT_EQ(web::RunAnswer(store, 1, {{"region", "us-east"}, {"status", "failed"}}).total, 0);
  // The page keeps the region chosen and has a column of regions; a device's
  // page names its region.
  EXPECT_THAT(web::RunPage(west), AllOf(HasSubstr("selected>eu-west (2)<"), HasSubstr(">region<")));
  EXPECT_THAT(web::DevicePage(web::DeviceAnswer(store, 1, "pe2", {})), HasSubstr("us-east"));

  EXPECT_EQ(web::RunAnswer(store, 2, {}).status, 404);
  for (const char* limit : {"0", "1001", "ten", "5x", ""}) {
    const web::Answer answer = web::RunAnswer(store, 1, {{"limit", limit}});
    EXPECT_EQ(answer.status, *limit ? 400 : 200) << limit;
  }
}

TEST_F(WebAnswers, ADeviceWithAPageOfItsLabelEntries) {
  web::StoreReader store(path_);
  const web::Answer page =
      web::DeviceAnswer(store, 1, "pe2", {{"offset", "240"}, {"limit", "100"}});
  ASSERT_EQ(page.status, 200);
  EXPECT_EQ(page.data["labelEntries"]["total"], 250);
  ASSERT_EQ(page.data["report"]["labelEntries"].size(), 10u);
  EXPECT_EQ(page.data["report"]["labelEntries"][0]["inLabel"], "340");
  EXPECT_EQ(page.data["history"][0]["run"], 1);
  EXPECT_EQ(page.data["lengths"]["ipAddresses"], 1);
  EXPECT_EQ(page.data["report"]["vrfs"][0]["impositions"].size(), 1u);
  const web::Answer none = web::DeviceAnswer(store, 1, "pe2", {{"impositions", "0"}});
  EXPECT_TRUE(none.data["report"]["vrfs"][0]["impositions"].empty());
  EXPECT_EQ(none.data["impositions"]["total"], 1);

  const web::Answer failed = web::DeviceAnswer(store, 1, "pe3", {});
  EXPECT_TRUE(failed.data["report"].is_null());
  EXPECT_EQ(failed.data["device"]["problem"], "no answer");
  const web::Answer unknown = web::DeviceAnswer(store, 1, "pe9", {});
  EXPECT_EQ(unknown.status, 404);
  EXPECT_EQ(unknown.message, "run 1 has no device pe9");
}

TEST_F(WebAnswers, SearchByNameAddressPrefixAndLabel) {
  web::StoreReader store(path_);
  auto kinds = [&](const std::string& words, int64_t limit = 200) {
    const web::Answer answer =
        web::SearchAnswer(store, {{"q", words}, {"limit", std::to_string(limit)}});
    std::multiset<std::string> found;
    for (const web::Json& result : answer.data["results"]) {
      found.insert(result["kind"].get<std::string>() + " " + result["device"].get<std::string>());
    }
    return std::make_pair(found, answer.data["truncated"].get<bool>());
  };
  using Found = std::multiset<std::string>;
  EXPECT_EQ(kinds("RED").first, (Found{"vrf pe1", "vrf pe10", "vrf pe2"}));
  EXPECT_EQ(kinds("100:2").first,
            (Found{"routeTarget pe1", "routeTarget pe10", "routeTarget pe2"}));
  // A prefix holds the addresses inside it; an address is held by destinations.
  EXPECT_EQ(kinds("10.1.0.0/16").first, (Found{"address pe1", "address pe10", "address pe2"}));
  EXPECT_EQ(kinds("10.6.7.8").first, (Found{"address pe1", "address pe10", "address pe2"}));
  EXPECT_EQ(kinds("10.1.2.4").first, Found{});
  // A label matches whole: 102 is no label of "1020"; interfaces match by part.
  EXPECT_EQ(kinds("102").first, (Found{"label pe1", "label pe10", "label pe2", "interface pe2"}));
  EXPECT_EQ(kinds("to-pe10").first, (Found{"lsp pe10", "lsp pe10", "lsp pe10"}));
  const auto [found, truncated] = kinds("ATM", 5);
  EXPECT_EQ(found.size(), 5u);
  EXPECT_TRUE(truncated);
  EXPECT_FALSE(kinds("ATM", 1000).second);
  EXPECT_EQ(web::SearchAnswer(store, {{"q", "red"}, {"run", "7"}}).status, 404);
}

}  // namespace
