#include "support/ReportFromInput.h"

#include <initializer_list>
#include <string>
#include <vector>

#include "support/FuzzInput.h"

namespace {

class Values {
 public:
  explicit Values(std::vector<std::string> parts) : parts_(std::move(parts)) {}

  unsigned Byte() {
    const std::string& shape = parts_[0];
    return shapeAt_ < shape.size() ? static_cast<unsigned char>(shape[shapeAt_++]) : 0;
  }
  std::string Text() {
    if (parts_.size() < 2) return "";
    return parts_[1 + texts_++ % (parts_.size() - 1)];
  }
  int Number() {
    unsigned value = 0;
    for (int i = 0; i < 4; ++i) value = value << 8 | Byte();
    return static_cast<int>(value);
  }
  // Text, number or list; false for a missing value.
  bool Value(Json& out) {
    switch (Byte() % 4) {
      case 0: return false;
      case 1: out = Text(); return true;
      case 2: out = Number(); return true;
      default:
        out = Json::array();
        for (unsigned n = Byte() % 4; n > 0; --n) {
          if (Byte() % 2) {
            out.push_back(Text());
          } else {
            out.push_back(Number());
          }
        }
        return true;
    }
  }
  Json Rows(std::initializer_list<const char*> keys, bool withImpositions = false) {
    Json rows = Json::array();
    for (unsigned n = Byte() % 4; n > 0; --n) {
      Json row = Json::object();
      for (const char* key : keys) {
        Json value;
        if (Value(value)) row[key] = value;
      }
      if (withImpositions && Byte() % 2) {
        row["impositions"] =
            Rows({"label", "destination", "ifIndex", "interface", "nextHop"});
      }
      rows.push_back(row);
    }
    return rows;
  }

 private:
  std::vector<std::string> parts_;
  std::size_t shapeAt_ = 0;
  std::size_t texts_ = 0;
};

}  // namespace

Json ReportFromInput(const std::uint8_t* data, std::size_t size) {
  Values in(SplitInput(data, size, static_cast<std::size_t>(-1)));
  Json report = Json::object();
  report["device"] = in.Text();
  report["agent"] = in.Text();
  report["virtualRouters"] = in.Rows({"name", "vrfs"});
  report["labelEntries"] =
      in.Rows({"virtualRouter", "lspName", "inLabel", "outLabel", "outIfIndex", "outInterface",
               "nextHop", "inIfIndexes", "inInterfaces"});
  report["vrfs"] = in.Rows({"virtualRouter", "name", "routeDistinguisher", "exportRouteTargets",
                            "importRouteTargets", "ifIndexes"},
                           true);
  report["interfaces"] = in.Rows({"ifIndex", "ifDescr", "virtualRouter", "vrf"});
  report["ipAddresses"] = in.Rows({"virtualRouter", "address", "ifIndex"});
  report["errors"] = in.Rows({"code", "source", "line", "text"});
  return report;
}
