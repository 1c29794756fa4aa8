#include "report/JsonReport.h"

#include <charconv>
#include <cstring>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "report/ReportText.h"

namespace {

using report::Number;
using report::Numbers;
using report::Text;
using report::Texts;

// Indented JSON, two blanks a level, written into a buffer handed to the
// ostream a block at a time. Strings are escaped as JSON requires and no more:
// '"', '\\', and control characters (\b \t \n \f \r by name, the others
// as \u00XX); other bytes pass as they are.
class PrettyJson {
 public:
  explicit PrettyJson(std::ostream& out) : out_(out), buffer_(kBlock), end_(buffer_.data()) {}
  ~PrettyJson() { Flush(); }

  void StartObject() { Start('{', false); }
  void EndObject() { End('}'); }
  void StartArray() { Start('[', true); }
  void EndArray() { End(']'); }
  // A key is one of the writer's own names, which need no escaping.
  void Key(std::string_view key) {
    Prefix();
    Reserve(2 + key.size());
    *end_++ = '"';
    std::memcpy(end_, key.data(), key.size());
    end_ += key.size();
    *end_++ = '"';
  }
  void String(const char* text, size_t size) {
    Prefix();
    Quoted(text, size);
  }
  void Int(int number) {
    Prefix();
    Reserve(16);
    end_ = std::to_chars(end_, end_ + 16, number).ptr;
  }
  void Put(char c) {
    Reserve(1);
    *end_++ = c;
  }
  void Flush() {
    out_.write(buffer_.data(), end_ - buffer_.data());
    end_ = buffer_.data();
  }

 private:
  static constexpr size_t kBlock = 1 << 16;
  struct Level {
    bool inArray;
    size_t values;  // in an object, keys and values both count
  };

  // Room for `count` more bytes, so that the writes after it need no check.
  void Reserve(size_t count) {
    if (static_cast<size_t>(buffer_.data() + buffer_.size() - end_) >= count) return;
    Flush();
    if (count > buffer_.size()) {
      buffer_.resize(count);
      end_ = buffer_.data();
    }
  }
  void Start(char bracket, bool array) {
    Prefix();
    Put(bracket);
    levels_.push_back(Level{array, 0});
  }
  void End(char bracket) {
    const bool empty = levels_.back().values == 0;
    levels_.pop_back();
    Reserve(2 + levels_.size() * 2);
    if (!empty) {
      *end_++ = '\n';
      Indent();
    }
    *end_++ = bracket;
  }
  // What goes before a value: the separator, the line end and the indent.
  void Prefix() {
    if (levels_.empty()) return;
    Reserve(2 + levels_.size() * 2);
    Level& level = levels_.back();
    if (level.inArray) {
      if (level.values > 0) *end_++ = ',';
      *end_++ = '\n';
      Indent();
    } else {
      if (level.values == 0) {
        *end_++ = '\n';
      } else if (level.values % 2 == 0) {
        *end_++ = ',';
        *end_++ = '\n';
      } else {
        *end_++ = ':';
        *end_++ = ' ';
      }
      if (level.values % 2 == 0) Indent();
    }
    ++level.values;
  }
  void Indent() {
    const size_t count = levels_.size() * 2;
    std::memset(end_, ' ', count);
    end_ += count;
  }

  // Bytes that JSON requires escaped: '"', '\\' and the control characters.
  static bool Plain(unsigned char c) { return c >= 0x20 && c != '"' && c != '\\'; }

  void Quoted(const char* text, size_t size) {
    Reserve(2 + size * 6);
    *end_++ = '"';
    for (size_t i = 0; i < size;) {
      size_t plain = i;
      while (plain < size && Plain(static_cast<unsigned char>(text[plain]))) ++plain;
      std::memcpy(end_, text + i, plain - i);
      end_ += plain - i;
      if (plain == size) break;
      Escaped(static_cast<unsigned char>(text[plain]));
      i = plain + 1;
    }
    *end_++ = '"';
  }

  void Escaped(unsigned char c) {
    static const char kHex[] = "0123456789ABCDEF";
    *end_++ = '\\';
    switch (c) {
      case '"':
        *end_++ = '"';
        break;
      case '\\':
        *end_++ = '\\';
        break;
      case '\b':
        *end_++ = 'b';
        break;
      case '\t':
        *end_++ = 't';
        break;
      case '\n':
        *end_++ = 'n';
        break;
      case '\f':
        *end_++ = 'f';
        break;
      case '\r':
        *end_++ = 'r';
        break;
      default:
        *end_++ = 'u';
        *end_++ = '0';
        *end_++ = '0';
        *end_++ = kHex[c >> 4];
        *end_++ = kHex[c & 0xF];
    }
  }

  std::ostream& out_;
  std::vector<char> buffer_;
  char* end_;
  std::vector<Level> levels_;
};

class Writer {
 public:
  explicit Writer(std::ostream& out) : json_(out) {}

  void Report(const report::Report& r) {
    json_.StartObject();
    Field("device", r.device);
    Field("agent", r.agent);
    if (!r.generator.empty()) Field("generator", r.generator);
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
    json_.Put('\n');
  }

 private:
  void Health(const report::Health& h) {
    Key("health");
    json_.StartObject();
    Field("status", std::string(HealthStatusName(h.status)));
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
    if (!h.typeAheadLostAt.empty()) Field("typeAheadLostAt", h.typeAheadLostAt);
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
      json_.String(text.data(), text.size());
      return;
    }
    scratch_.clear();
    AppendValidUtf8(scratch_, text);
    json_.String(scratch_.data(), scratch_.size());
  }
  void Key(std::string_view key) { json_.Key(key); }

  void Field(std::string_view key, const std::string& text) {
    Key(key);
    String(text);
  }
  void Field(std::string_view key, int number) {
    Key(key);
    json_.Int(number);
  }
  void Field(std::string_view key, const Text& text) {
    if (text) Field(key, *text);
  }
  void Field(std::string_view key, const report::SparseText& text) {
    if (text) Field(key, *text);
  }
  void Field(std::string_view key, const Number& number) {
    if (number) Field(key, *number);
  }
  void Field(std::string_view key, const Texts& texts) {
    if (!texts) return;
    Key(key);
    json_.StartArray();
    for (const std::string& text : *texts) String(text);
    json_.EndArray();
  }
  void Field(std::string_view key, const Numbers& numbers) {
    if (!numbers) return;
    Key(key);
    json_.StartArray();
    for (int number : *numbers) json_.Int(number);
    json_.EndArray();
  }

  // An array of objects, each written by `fields`.
  template <typename Row, typename Fields>
  void List(std::string_view key, const std::vector<Row>& rows, Fields fields) {
    Key(key);
    json_.StartArray();
    for (const Row& row : rows) {
      json_.StartObject();
      fields(row);
      json_.EndObject();
    }
    json_.EndArray();
  }

  PrettyJson json_;
  std::string scratch_;
};

}  // namespace

void WriteJsonReport(const report::Report& report, std::ostream& out) {
  Writer(out).Report(report);
}
