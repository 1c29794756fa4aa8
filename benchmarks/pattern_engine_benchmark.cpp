// Whole-tree matching over label forwarding tables of 1 and 10 MB, next to a raw
// RE2 scan of the same root expression over the same text (the engine's overhead
// over RE2 is the difference in MB/s), and a search that fails over 1 MB of
// blanks; all must stay linear in the reply.
#include <benchmark/benchmark.h>
#include <re2/re2.h>

#include <string>
#include <vector>

#include "host/PelkPattern.h"
#include "host/PosixToRe2.h"

namespace {

void Adopt(CPelkPattern& parent, std::initializer_list<CPelkPattern> kids) {
  auto* children = new std::vector<CPelkPattern>;
  for (const CPelkPattern& k : kids) children->push_back(k);
  parent.SetSubPattern(children);
}

const char kRootExpression[] =
    "(^|\n)[^[:space:]]+ +([0-9]{1,3}\\.){3}[0-9]{1,3}(/[0-9]{1,2})* +(In|Out)[[:space:]]+[0-9]+"
    "[[:space:]]+on +[^\n]*(\n[[:space:]]*(([0-9]{1,3}\\.){3}[0-9]{1,3}(/[0-9]{1,2}[[:space:]])*"
    "[^\n]*|In[[:space:]]+[0-9]+[[:space:]]+on +[^\n]+|Out[[:space:]]+[0-9]+[[:space:]]+on +"
    "[^\n]+))*";

CPelkPattern LabelTable() {
  CPelkPattern label("labelEntry", true,
                     "[[:space:]]+(In|Out) +[0-9]+[[:space:]]+on +(tun +)*[^\n ]+"
                     "( *nbr[[:space:]]+([0-9]{1,3}\\.){3}[0-9]{1,3})*");
  Adopt(label, {CPelkPattern("inOut", false, "(In|Out)"), CPelkPattern("labelNo", false, "[0-9]+"),
                CPelkPattern("filler1", false, "[[:space:]]+on[[:space:]]+(tun +)*"),
                CPelkPattern("interface", false, "[^[:space:]]+"),
                CPelkPattern("filler2", false, "( +nbr[[:space:]]+)*"),
                CPelkPattern("nexthop", false, "[0-9\\./]*")});
  CPelkPattern dest("destEntry", true,
                    " +([0-9]{1,3}\\.){3}[0-9]{1,3}(/[0-9]{1,2})*([[:space:]]+(In|Out) +[0-9]+"
                    "[[:space:]]+on +(tun +)*[^\n ]+"
                    "( *nbr[[:space:]]+([0-9]{1,3}\\.){3}[0-9]{1,3})*)+");
  Adopt(dest,
        {CPelkPattern("destination", false, "([0-9]{1,3}\\.){3}[0-9]{1,3}(/[0-9]{1,2})*"), label});
  CPelkPattern root("lsp", true, kRootExpression);
  Adopt(root, {CPelkPattern("filler3", false, "(^\n)?"),
               CPelkPattern("lspname", false, "(^|\n)[^[:space:]]+"), dest});
  return root;
}

std::string Ip(unsigned n) {
  return "10." + std::to_string(n / 65536 % 256) + "." + std::to_string(n / 256 % 256) + "." +
         std::to_string(n % 256);
}

// LSP records; every third has two or three destinations.
std::string ForwardingTable(std::size_t bytes) {
  std::string s;
  s.reserve(bytes + 512);
  for (unsigned i = 0; s.size() < bytes; ++i) {
    s += "to-pe" + std::to_string(i) + "  " + Ip(i) + "/32  In " + std::to_string(16 + i % 1000) +
         " on ATM2/0." + std::to_string(i % 50) + "\n";
    s += "                     Out " + std::to_string(20 + i % 900) + " on ATM3/0.2 nbr " +
         Ip(i + 7) + "\n";
    if (i % 3 == 0) {
      for (unsigned d = 1; d <= 1 + i % 2; ++d) {
        s += "        " + Ip(i * 3 + d) + "/32  Out " + std::to_string(30 + d) + " on tun ATM3/0." +
             std::to_string(d) + " nbr " + Ip(i + d) + "\n";
      }
    }
  }
  return s;
}

const char* const kLabelFields[] = {"inOut",     "labelNo", "filler1",
                                    "interface", "filler2", "nexthop"};

void BM_LabelTable(benchmark::State& state) {
  const std::string reply = ForwardingTable(static_cast<std::size_t>(state.range(0)) << 20);
  CPelkPattern root = LabelTable();
  if (!root.IsValid()) {
    state.SkipWithError("label table pattern is invalid");
    return;
  }
  std::size_t fields = 0;
  for (auto _ : state) {
    if (!root.Match(reply.c_str())) {
      state.SkipWithError("no match");
      return;
    }
    std::string value;
    fields = 0;
    const int lsps = root.NumberMatches("lsp");
    for (int l = 0; l < lsps; ++l) {
      const std::string lsp = "lsp[" + std::to_string(l) + "]";
      root.FindField(lsp + ".lspname[0]", value);
      const int dests = root.NumberMatches(lsp + ".destEntry");
      for (int d = 0; d < dests; ++d) {
        const std::string dest = lsp + ".destEntry[" + std::to_string(d) + "]";
        root.FindField(dest + ".destination[0]", value);
        const int labels = root.NumberMatches(dest + ".labelEntry");
        for (int k = 0; k < labels; ++k) {
          const std::string label = dest + ".labelEntry[" + std::to_string(k) + "].";
          for (const char* f : kLabelFields) root.FindField(label + f + "[0]", value);
          fields += 6;
        }
        ++fields;
      }
      ++fields;
      value.clear();
    }
    benchmark::DoNotOptimize(value);
  }
  state.counters["fields"] = static_cast<double>(fields);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(reply.size()));
}
BENCHMARK(BM_LabelTable)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);

// The root expression alone, through RE2 with the engine's options: every
// record found by an unanchored leftmost-longest search from where the last
// one ended, as the engine's root does, and nothing else.
void BM_RawRe2RootScan(benchmark::State& state) {
  const std::string reply = ForwardingTable(static_cast<std::size_t>(state.range(0)) << 20);
  const pelk::Re2Translation t = pelk::TranslatePosixEre(kRootExpression);
  RE2::Options o;
  o.set_posix_syntax(true);
  o.set_longest_match(true);
  o.set_one_line(true);
  o.set_dot_nl(true);
  o.set_encoding(RE2::Options::EncodingLatin1);
  const RE2 re(t.pattern, o);
  if (!t.ok || !re.ok()) {
    state.SkipWithError("root expression does not compile");
    return;
  }
  std::size_t records = 0;
  for (auto _ : state) {
    records = 0;
    re2::StringPiece match;
    for (std::size_t pos = 0; pos <= reply.size();) {
      const re2::StringPiece rest(reply.data() + pos, reply.size() - pos);
      if (!re.Match(rest, 0, rest.size(), RE2::UNANCHORED, &match, 1)) break;
      ++records;
      const std::size_t end = static_cast<std::size_t>(match.data() - reply.data()) + match.size();
      pos = end > pos ? end : pos + 1;
    }
    benchmark::DoNotOptimize(records);
  }
  state.counters["records"] = static_cast<double>(records);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(reply.size()));
}
BENCHMARK(BM_RawRe2RootScan)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);

void BM_FailingSearchOverBlanks(benchmark::State& state) {
  const std::string blanks(1 << 20, ' ');
  CPelkPattern probe("hop", false, "[[:space:]]+NHop:");
  for (auto _ : state) {
    if (probe.Match(blanks.c_str())) {
      state.SkipWithError("unexpected match");
      return;
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(blanks.size()));
}
BENCHMARK(BM_FailingSearchOverBlanks)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
