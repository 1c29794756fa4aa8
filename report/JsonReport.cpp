#include "report/JsonReport.h"

#include <rapidjson/prettywriter.h>

#include <string>
#include <vector>

#include "report/ReportText.h"

namespace {

using report::Number;
using report::Numbers;
using report::Text;
using report::Texts;

// The writer's output: bytes gathered in a buffer and handed to the ostream a
// block at a time. The writer reserves room before most writes, so the
// overloads below let those writes skip the per-byte bounds check.
class BlockStream {
 public:
  using Ch = char;
  explicit BlockStream(std::ostream& out) : out_(out), buffer_(kBlock), end_(buffer_.data()) {}
  ~BlockStream() { Flush(); }

  void Put(char c) {
    if (Room() == 0) Flush();
    *end_++ = c;
  }
  void PutUnchecked(char c) { *end_++ = c; }
  void Reserve(size_t count) {
    if (Room() >= count) return;
    Flush();
    if (count > buffer_.size()) {
      buffer_.resize(count);
      end_ = buffer_.data();
    }
  }
  void Flush() {
    out_.write(buffer_.data(), end_ - buffer_.data());
    end_ = buffer_.data();
  }

 private:
  static constexpr size_t kBlock = 1 << 16;
  size_t Room() const { return static_cast<size_t>(buffer_.data() + buffer_.size() - end_); }

  std::ostream& out_;
  std::vector<char> buffer_;
  char* end_;
};

// Found by argument-dependent lookup in place of RapidJSON's byte-at-a-time
// defaults.
inline void PutReserve(BlockStream& stream, size_t count) { stream.Reserve(count); }
inline void PutUnsafe(BlockStream& stream, char c) { stream.PutUnchecked(c); }
inline void PutN(BlockStream& stream, char c, size_t n) {
  stream.Reserve(n);
  for (size_t i = 0; i < n; ++i) stream.PutUnchecked(c);
}

class Writer {
 public:
  explicit Writer(std::ostream& out) : stream_(out), json_(stream_) { json_.SetIndent(' ', 2); }

  void Report(const report::Report& r) {
    json_.StartObject();
    Field("device", r.device);
    Field("agent", r.agent);
    List("virtualRouters", r.virtualRouters, [&](const report::VirtualRouter& vr) {
      Field("name", vr.name);
      Field("vrfs", vr.vrfs);
    });
    List("labelEntries", r.labelEntries, [&](const report::LabelEntry& e) {
      if (e.layout) return LabelTableEntry(e);
      Field("virtualRouter", e.virtualRouter);
      Field("lspName", e.lspName);
      Field("inLabel", e.inLabel);
      Field("outLabel", e.outLabel);
      Field("outIfIndex", e.outIfIndex);
      Field("outInterface", e.outInterface);
      Field("nextHop", e.nextHop);
      Field("inIfIndexes", e.inIfIndexes);
      Field("inInterfaces", e.inInterfaces);
    });
    List("vrfs", r.vrfs, [&](const report::Vrf& vrf) {
      Field("virtualRouter", vrf.virtualRouter);
      Field("name", vrf.name);
      Field("routeDistinguisher", vrf.routeDistinguisher);
      Field("exportRouteTargets", vrf.exportRouteTargets);
      Field("importRouteTargets", vrf.importRouteTargets);
      Field("ifIndexes", vrf.ifIndexes);
      if (!vrf.impositions) return;
      List("impositions", *vrf.impositions, [&](const report::Imposition& i) {
        Field("label", i.label);
        Field("destination", i.destination);
        Field("ifIndex", i.ifIndex);
        Field("interface", i.interface);
        Field("nextHop", i.nextHop);
      });
    });
    List("interfaces", r.interfaces, [&](const report::Interface& i) {
      Field("ifIndex", i.ifIndex);
      Field("ifDescr", i.ifDescr);
      Field("virtualRouter", i.virtualRouter);
      Field("vrf", i.vrf);
    });
    List("ipAddresses", r.ipAddresses, [&](const report::IpAddress& a) {
      Field("virtualRouter", a.virtualRouter);
      Field("address", a.address);
      Field("ifIndex", a.ifIndex);
    });
    List("errors", r.errors, [&](const report::Error& e) {
      Field("code", e.code);
      Field("source", e.source);
      Field("line", e.line);
      Field("text", e.text);
    });
    List("warnings", r.warnings, [&](const report::Warning& w) {
      Field("text", w.text);
      Field("virtualRouter", w.virtualRouter);
      Field("vrf", w.vrf);
    });
    Health(r.health);
    json_.EndObject();
    stream_.Put('\n');
  }

 private:
  void Health(const report::Health& h) {
    Key("health");
    json_.StartObject();
    Field("status", h.status);
    Key("cli");
    json_.StartObject();
    Field("source", h.cliSource);
    Field("sent", h.commandsSent);
    Field("answered", h.commandsAnswered);
    Field("refused", h.commandsRefused);
    Field("timedOut", h.commandsTimedOut);
    Field("cutOff", h.commandsCutOff);
    Field("notSent", h.commandsNotSent);
    Field("reconnections", h.reconnections);
    json_.EndObject();
    Key("snmp");
    json_.StartObject();
    Field("source", h.snmpSource);
    Field("walksAnswered", h.walksAnswered);
    Field("walksUnanswered", h.walksUnanswered);
    Field("silentContexts", Texts(h.silentContexts));
    json_.EndObject();
    Field("problems", Texts(h.problems));
    json_.EndObject();
  }

  void LabelTableEntry(const report::LabelEntry& e) {
    Field("virtualRouter", e.virtualRouter);
    Field("inLabel", e.inLabel);
    Field("inInterface", e.inInterface);
    Field("owner", e.owner);
    Field("action", e.action);
    Field("actionText", e.actionText);
    Field("outLabel", e.outLabel);
    Field("pushLabels", e.pushLabels);
    Field("outInterface", e.outInterface);
    Field("outIfIndex", e.outIfIndex);
    Field("nextHop", e.nextHop);
    Field("labelSpace", e.labelSpace);
    Field("layout", e.layout);
  }

  void String(const std::string& text) {
    if (IsValidUtf8(text)) {
      json_.String(text.data(), static_cast<rapidjson::SizeType>(text.size()));
      return;
    }
    scratch_.clear();
    AppendValidUtf8(scratch_, text);
    json_.String(scratch_.data(), static_cast<rapidjson::SizeType>(scratch_.size()));
  }
  void Key(const char* key) { json_.Key(key); }

  void Field(const char* key, const std::string& text) {
    Key(key);
    String(text);
  }
  void Field(const char* key, int number) {
    Key(key);
    json_.Int(number);
  }
  void Field(const char* key, const Text& text) {
    if (text) Field(key, *text);
  }
  void Field(const char* key, const report::SparseText& text) {
    if (text) Field(key, *text);
  }
  void Field(const char* key, const Number& number) {
    if (number) Field(key, *number);
  }
  void Field(const char* key, const Texts& texts) {
    if (!texts) return;
    Key(key);
    json_.StartArray();
    for (const std::string& text : *texts) String(text);
    json_.EndArray();
  }
  void Field(const char* key, const Numbers& numbers) {
    if (!numbers) return;
    Key(key);
    json_.StartArray();
    for (int number : *numbers) json_.Int(number);
    json_.EndArray();
  }

  // An array of objects, each written by `fields`.
  template <typename Row, typename Fields>
  void List(const char* key, const std::vector<Row>& rows, Fields fields) {
    Key(key);
    json_.StartArray();
    for (const Row& row : rows) {
      json_.StartObject();
      fields(row);
      json_.EndObject();
    }
    json_.EndArray();
  }

  BlockStream stream_;
  rapidjson::PrettyWriter<BlockStream> json_;
  std::string scratch_;
};

}  // namespace

void WriteJsonReport(const report::Report& report, std::ostream& out) {
  Writer(out).Report(report);
}
