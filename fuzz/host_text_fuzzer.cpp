// The host's text helpers for this router family on arbitrary router text.
//
// Input: MODE TEXT, the low bits of MODE picking the helper, its top bit the
// helper's flag (verbose, keep blanks):
//   0  "show ip vrf detail" into the five VRF tables;
//   1  the virtual-router list and the VRF list of each: TEXT is the reply to
//      "show virtual-router", then a NUL and one "show ip vrf" reply per
//      virtual router, each after a NUL (used in turn when there are fewer);
//   2  interface-description keys from a CLI name and from an ifDescr
//      (TEXT's first byte is the ifType);
//   3  joining an interface name that the router wrapped over lines.
#include <cctype>
#include <string>
#include <vector>

#include "fuzz/support/FuzzInput.h"
#include "host/ERXHost.h"

namespace {

using Names = std::vector<std::string>;
using Table = std::vector<Names>;

// A router that answers the two list commands from the input.
class ListDevice : public CPelkRequestTransport {
 public:
  explicit ListDevice(Names replies) : replies_(std::move(replies)) {}

  CKelAtomVector* RunCommands(CKelRecord*, const std::vector<std::string>& commands) override {
    auto* out = new CKelAtomVector(0);
    for (const std::string& command : commands) {
      if (command == "show virtual-router") {
        out->RAVAddToEnd(new CKelAtom(replies_[0].c_str()));
      } else if (command == "show ip vrf") {
        const std::string& reply =
            replies_.size() > 1 ? replies_[1 + vrfReplies_++ % (replies_.size() - 1)] : "";
        out->RAVAddToEnd(new CKelAtom(reply.c_str()));
      } else {
        out->RAVAddToEnd(new CKelAtom(""));
      }
    }
    return out;
  }
  CKelDoubleList* Walk(CKelRecord*, const char*, const std::string&) override { return nullptr; }

 private:
  Names replies_;
  size_t vrfReplies_ = 0;
};

void VrfDetail(const std::string& reply, bool verbose) {
  Names names, rds;
  Table interfaces, imports, exports;
  ERXGetGeneralVRFInfo(reply.c_str(), names, rds, interfaces, imports, exports, verbose);
  FuzzCheck(rds.size() == names.size() && interfaces.size() == names.size() &&
                imports.size() == names.size() && exports.size() == names.size(),
            "VRF tables of different lengths");
  for (const Names& list : interfaces) {
    for (const std::string& name : list) {
      FuzzCheck(!name.empty() && name.find_first_of(" \t\r\n") != 0 &&
                    name.find_last_of(" \t\r\n") != name.size() - 1,
                "an interface name that is empty or not trimmed");
    }
  }
}

void Lists(const Names& replies) {
  ListDevice device(replies);
  CPelkStdRequester requester;
  requester.DSRSetTransport(&device);
  CKelRecord record("pe1");
  Names vrs;
  Table vrfs;
  ERXFindVirtRtrVRF(&record, &requester, vrs, vrfs);
  FuzzCheck(vrs.size() == vrfs.size(), "a VRF list per virtual router");
  for (const std::string& name : vrs) FuzzCheck(!name.empty(), "an empty virtual-router name");
  for (const Names& list : vrfs) {
    for (const std::string& name : list) FuzzCheck(!name.empty(), "an empty VRF name");
  }
}

void InterfaceKeys(const std::string& text) {
  const int ifType = text.empty() ? 0 : static_cast<unsigned char>(text[0]);
  const std::string name = text.empty() ? "" : text.substr(1);
  std::string fromCli, fromTable;
  ERXGetDescrFromVrfDescr(name.c_str(), "vr1:red", fromCli);
  ERXGetDescrFromIfTableDescr(name.c_str(), "vr1:red", fromTable, ifType);
  for (const std::string* key : {&fromCli, &fromTable}) {
    for (char c : *key) {
      FuzzCheck(!std::isspace(static_cast<unsigned char>(c)) &&
                    !std::isupper(static_cast<unsigned char>(c)),
                "a key with a blank or an upper-case letter");
    }
  }
}

void WrappedName(const std::string& text, bool keepBlanks) {
  std::string joined = "earlier";
  ERXStripNewLineOutInterfaceDescr(text, joined, keepBlanks);
  FuzzCheck(joined.find_first_of("\r\n") == std::string::npos, "a joined name keeps a line break");
  FuzzCheck(joined.size() <= text.size(), "a joined name longer than the text");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool silenced = (SilenceStandardOutput(), true);
  (void)silenced;
  if (size == 0) return 0;
  const bool flag = data[0] & 0x80;
  const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
  switch ((data[0] & 0x7f) % 4) {
    case 0:
      VrfDetail(text, flag);
      break;
    case 1:
      Lists(SplitInput(data + 1, size - 1, 64));
      break;
    case 2:
      InterfaceKeys(text);
      break;
    default:
      WrappedName(text, flag);
  }
  return 0;
}
