// "show mpls forwarding brief" (LSP-oriented layout): one label entry per
// incoming label of a virtual router, handed to the MPLS result.
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "agents/UnisphereMPLSTelnet/CPelkUnisphereLabelEntry.h"
#include "agents/UnisphereMPLSTelnet/CPelkUnisphereMPLSTelnet.h"
#include "host/ERXHost.h"
#include "agents/UnisphereMPLSTelnet/PatternPaths.h"
#include "host/PelkPattern.h"
#include "agents/UnisphereMPLSTelnet/Trace.h"

namespace {

const char kCommand[] = "show mpls forwarding brief";

// An LSP record: "NAME  DEST  In|Out LABEL on IF..." and every following line
// that starts with a destination or an In/Out label line. Inside it, one
// destEntry per destination with its label lines.
CPelkPattern ForwardingTree() {
  auto* labelFields = new std::vector<CPelkPattern>;
  labelFields->push_back(CPelkPattern("inOut", false, "(In|Out)"));
  labelFields->push_back(CPelkPattern("labelNo", false, "[0-9]+"));
  labelFields->push_back(CPelkPattern("filler1", false, "[[:space:]]+on[[:space:]]+(tun +)*"));
  labelFields->push_back(CPelkPattern("interface", false, "[^[:space:]]+"));
  labelFields->push_back(CPelkPattern("filler2", false, "( +nbr[[:space:]]+)*"));
  labelFields->push_back(CPelkPattern("nexthop", false, "[0-9\\./]*"));

  auto* destFields = new std::vector<CPelkPattern>;
  destFields->push_back(
      CPelkPattern("destination", false, "([0-9]{1,3}\\.){3}[0-9]{1,3}(/[0-9]{1,2})*"));
  CPelkPattern labelEntry("labelEntry", true,
                          "[[:space:]]+(In|Out) +[0-9]+[[:space:]]+on +(tun +)*[^\n ]+"
                          "( *nbr[[:space:]]+([0-9]{1,3}\\.){3}[0-9]{1,3})*");
  labelEntry.SetSubPattern(labelFields);
  destFields->push_back(labelEntry);

  auto* lspFields = new std::vector<CPelkPattern>;
  lspFields->push_back(CPelkPattern("filler3", false, "(^\n)?"));
  lspFields->push_back(CPelkPattern("lspname", false, "(^|\n)[^[:space:]]+"));
  CPelkPattern destEntry("destEntry", true,
                         " +([0-9]{1,3}\\.){3}[0-9]{1,3}(/[0-9]{1,2})*([[:space:]]+(In|Out) +"
                         "[0-9]+[[:space:]]+on +(tun +)*[^\n ]+( *nbr[[:space:]]+([0-9]{1,3}\\.)"
                         "{3}[0-9]{1,3})*)+");
  destEntry.SetSubPattern(destFields);
  lspFields->push_back(destEntry);

  CPelkPattern root("lspEntry", true,
                    "(^|\n)[^[:space:]]+ +([0-9]{1,3}\\.){3}[0-9]{1,3}(/[0-9]{1,2})* +(In|Out)"
                    "[[:space:]]+[0-9]+[[:space:]]+on +[^\n]*(\n[[:space:]]*(([0-9]{1,3}\\.){3}"
                    "[0-9]{1,3}(/[0-9]{1,2}[[:space:]])*[^\n]*|In[[:space:]]+[0-9]+[[:space:]]+on"
                    " +[^\n]+|Out[[:space:]]+[0-9]+[[:space:]]+on +[^\n]+))*");
  root.SetSubPattern(lspFields);
  return root;
}

// One destination joined from its In and its Out line.
struct ForwardingRow {
  std::string lspname;
  std::string labelIn;
  std::string ifIn;
  std::string labelOut;
  std::string ifOut;
  std::string nexthop;

  bool Complete() const {
    return !lspname.empty() && !labelIn.empty() && !ifIn.empty() && !labelOut.empty() &&
           !ifOut.empty() && !nexthop.empty();
  }
};

// Sets `ifIndex` to what the index stores under `ifText`'s key; false when absent.
bool LookUpIfIndex(const std::map<std::string, int>& ifDescr2ifIndex, const std::string& ifText,
                   const std::string& vrName, int& ifIndex) {
  std::string key;
  ERXGetDescrFromVrfDescr(ifText.c_str(), vrName, key);
  const auto found = ifDescr2ifIndex.find(key);
  if (found == ifDescr2ifIndex.end()) return false;
  ifIndex = found->second;
  return true;
}

}  // namespace

void CPelkUnisphereMPLSTelnet::ObtainLabelData(CKelRecord* record, CPelkMPLSData* mplsData,
                                               std::map<std::string, int>& ifDescr2ifIndex,
                                               const std::string& vrName) {
  Trace(3) << "CPelkUnisphereMPLSTelnet::ObtainLabelData(,,," << vrName << ")";
  if (!mplsData) return;
  const std::string* reply =
      CachedTelnetReply(DAGetMediationData(record), vrName.c_str(), nullptr, kCommand);
  if (!reply) {
    Trace(1) << "::ObtainLabelData() no response to telnet command " << kCommand;
    return;
  }
  CPelkPattern root = ForwardingTree();
  const int lsps = MatchTelnetTable(root, "lspEntry", *reply, "ObtainLabelData", 563,
                                    "no mpls fwding data?", true);
  // Refers to the entries by incoming label text; the MPLS result owns them.
  CKelTreeList byInLabel(false);
  for (int i = 0; i < lsps; ++i) {
    const std::string lsp = IndexedPath("lspEntry", i);
    Trace(4) << "::ObtainLabelData() table entry found of (" << i << ")";
    Trace(4) << TracedField{root, lsp};
    const std::string lspname = FieldText(root, lsp, "lspname[0]");
    const int destinations = root.NumberMatches(lsp + ".destEntry");
    Trace(4) << "::ObtainLabelData() table entry contains " << destinations
             << " destination matches";
    for (int j = 0; j < destinations; ++j) {
      const std::string dest = IndexedPath(lsp, "destEntry", j);
      Trace(4) << "::ObtainLabelData() destination found of (" << j << ")";
      Trace(4) << TracedField{root, dest};
      const std::string destination = FieldText(root, dest, "destination[0]");
      const int labelLines = root.NumberMatches(dest + ".labelEntry");
      Trace(4) << "::ObtainLabelData() destination entry contains " << labelLines
               << " label information matches";
      if (labelLines != 2) continue;

      ForwardingRow row;
      row.lspname = lspname;
      for (int k = 0; k < labelLines; ++k) {
        const std::string line = IndexedPath(dest, "labelEntry", k);
        Trace(4) << "::ObtainLabelData() label info found of (" << k << ") ";
        Trace(4) << TracedField{root, line};
        const std::string inOut = FieldText(root, line, "inOut[0]");
        const std::string label = FieldText(root, line, "labelNo[0]");
        const std::string ifText = FieldText(root, line, "interface[0]");
        const std::string nexthop = FieldText(root, line, "nexthop[0]");
        if (inOut == "In") {
          row.labelIn = label;
          row.ifIn = ifText;
        } else {
          row.labelOut = label;
          row.ifOut = ifText;
          row.nexthop = nexthop;
        }
        Trace(4) << "::ObtainLabelData() RESULT=(lspname,destination,in/out,label,ifDescr,nextHop)=('"
                 << row.lspname << "', '" << destination << "', '" << inOut << "', '" << label
                 << "', '" << ifText << "', '" << nexthop << "')";
      }
      if (!row.Complete()) {
        Trace(1) << "::ObtainLabelData() failed to add label info because "
                 << "size(lspname,labelIn,ifIn,labelOut,ifOut,nexthop)=(" << row.lspname.size()
                 << ", " << row.labelIn.size() << ", " << row.ifIn.size() << ", "
                 << row.labelOut.size() << ", " << row.ifOut.size() << ", "
                 << row.nexthop.size() << ")";
        continue;
      }
      int outIfIndex = -1;
      if (!LookUpIfIndex(ifDescr2ifIndex, row.ifOut, vrName, outIfIndex)) {
        Trace(1) << "::ObtainLabelData() failed to add label data because ifIndex for '"
                 << row.ifOut << "' could not be found";
        continue;
      }
      int inIfIndex = -1;
      LookUpIfIndex(ifDescr2ifIndex, row.ifIn, vrName, inIfIndex);
      if (CKelPointer* known = byInLabel.RTLGet(row.labelIn.c_str())) {
        static_cast<CPelkUnisphereLabelEntry*>(known->RPData())->AddIfIndexIn(inIfIndex);
        continue;
      }
      auto* entry = new CPelkUnisphereLabelEntry(
          std::atoi(row.labelIn.c_str()), row.labelIn.c_str(), inIfIndex, row.ifIn.c_str(),
          std::atoi(row.labelOut.c_str()), row.labelOut.c_str(), outIfIndex, row.ifOut.c_str(),
          row.nexthop.c_str(), row.lspname.c_str(), vrName.c_str());
      mplsData->AddLFIBEntry(entry);
      byInLabel.RTLAdd(row.labelIn.c_str(), entry);
    }
  }
}
