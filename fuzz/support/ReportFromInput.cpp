#include "fuzz/support/ReportFromInput.h"

#include <string>
#include <utility>
#include <vector>

#include "fuzz/support/FuzzInput.h"

namespace {

class Values {
 public:
  explicit Values(std::vector<std::string> parts) : parts_(std::move(parts)) {}

  unsigned Byte() {
    const std::string& shape = parts_[0];
    return shapeAt_ < shape.size() ? static_cast<unsigned char>(shape[shapeAt_++]) : 0;
  }
  bool Present() { return Byte() % 4 != 0; }
  std::size_t Length() { return Byte() % 4; }
  std::string Text() {
    if (parts_.size() < 2) return "";
    return parts_[1 + texts_++ % (parts_.size() - 1)];
  }
  int Int() {
    unsigned value = 0;
    for (int i = 0; i < 4; ++i) value = value << 8 | Byte();
    return static_cast<int>(value);
  }

  report::Text OptionalText() { return Present() ? report::Text(Text()) : std::nullopt; }
  report::Number OptionalInt() { return Present() ? report::Number(Int()) : std::nullopt; }
  report::Texts OptionalTexts() {
    if (!Present()) return std::nullopt;
    std::vector<std::string> texts(Length());
    for (std::string& text : texts) text = Text();
    return texts;
  }
  report::Numbers OptionalInts() {
    if (!Present()) return std::nullopt;
    std::vector<int> numbers(Length());
    for (int& number : numbers) number = Int();
    return numbers;
  }
  // A list of Length() elements, each filled by `fill`.
  template <typename T, typename Fill>
  std::vector<T> List(Fill fill) {
    std::vector<T> list(Length());
    for (T& element : list) fill(element);
    return list;
  }

 private:
  std::vector<std::string> parts_;
  std::size_t shapeAt_ = 0;
  std::size_t texts_ = 0;
};

}  // namespace

report::Report ReportFromInput(const std::uint8_t* data, std::size_t size) {
  Values in(SplitInput(data, size, static_cast<std::size_t>(-1)));
  report::Report r;
  r.device = in.Text();
  r.agent = in.Text();
  r.virtualRouters = in.List<report::VirtualRouter>([&](report::VirtualRouter& vr) {
    vr.name = in.OptionalText();
    vr.vrfs = in.OptionalTexts();
  });
  r.labelEntries = in.List<report::LabelEntry>([&](report::LabelEntry& e) {
    e.virtualRouter = in.OptionalText();
    e.lspName = in.OptionalText();
    e.inLabel = in.OptionalText();
    e.outLabel = in.OptionalText();
    e.outIfIndex = in.OptionalInt();
    e.outInterface = in.OptionalText();
    e.nextHop = in.OptionalText();
    e.inIfIndexes = in.OptionalInts();
    e.inInterfaces = in.OptionalTexts();
  });
  r.vrfs = in.List<report::Vrf>([&](report::Vrf& vrf) {
    vrf.virtualRouter = in.OptionalText();
    vrf.name = in.OptionalText();
    vrf.routeDistinguisher = in.OptionalText();
    vrf.exportRouteTargets = in.OptionalTexts();
    vrf.importRouteTargets = in.OptionalTexts();
    vrf.ifIndexes = in.OptionalInts();
    if (in.Present()) {
      vrf.impositions = in.List<report::Imposition>([&](report::Imposition& i) {
        i.label = in.OptionalText();
        i.destination = in.OptionalText();
        i.ifIndex = in.OptionalInt();
        i.interface = in.OptionalText();
        i.nextHop = in.OptionalText();
      });
    }
  });
  r.interfaces = in.List<report::Interface>([&](report::Interface& i) {
    i.ifIndex = in.Int();
    i.ifDescr = in.OptionalText();
    i.virtualRouter = in.OptionalText();
    i.vrf = in.OptionalText();
  });
  r.ipAddresses = in.List<report::IpAddress>([&](report::IpAddress& a) {
    a.virtualRouter = in.Text();
    a.address = in.Text();
    a.ifIndex = in.OptionalInt();
  });
  r.errors = in.List<report::Error>([&](report::Error& e) {
    e.code = in.Int();
    e.source = in.Text();
    e.line = in.Int();
    e.text = in.OptionalText();
  });
  r.warnings = in.List<report::Warning>([&](report::Warning& w) {
    w.text = in.Text();
    w.virtualRouter = in.OptionalText();
    w.vrf = in.OptionalText();
  });
  // Last, so that inputs written before these fields keep their meaning.
  for (report::LabelEntry& e : r.labelEntries) {
    e.layout = in.OptionalText();
    e.inInterface = in.OptionalText();
    e.owner = in.OptionalText();
    e.action = in.OptionalText();
    e.actionText = in.OptionalText();
    e.pushLabels = in.OptionalTexts();
    e.labelSpace = in.OptionalText();
  }
  return r;
}
