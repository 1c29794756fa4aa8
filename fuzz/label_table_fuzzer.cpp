// The reader of the forwarding table by incoming label, and the entries and
// warnings discovery makes of it, on arbitrary router text: every row is kept
// as an entry, every "other" row and every unread line has its warning, and
// what the reader hands on is trimmed and well formed.
#include <string>
#include <vector>

#include "discovery/LabelTableEntries.h"
#include "fuzz/support/FuzzInput.h"
#include "readers/LabelTable.h"

namespace {

// A router whose interface tables are empty: no out interface resolves.
class NoInterfaces : public CPelkRequestTransport {
 public:
  CKelAtomVector* RunCommands(CKelRecord*, const std::vector<std::string>&) override {
    return nullptr;
  }
  CKelDoubleList* Walk(CKelRecord*, const char*, const std::string&) override { return nullptr; }
};

bool IsLabel(const std::string& text) {
  return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

bool IsWord(const std::string& text) {
  return !text.empty() && text.find_first_of(" \t\r\n\v\f") == std::string::npos;
}

bool IsTrimmedLine(const std::string& text) {
  static const char kBlanks[] = " \t\r\n\v\f";
  return !text.empty() && text.find('\n') == std::string::npos &&
         text.find_first_of(kBlanks) != 0 && text.find_last_of(kBlanks) != text.size() - 1;
}

void CheckRow(const LabelTableRow& row) {
  FuzzCheck(row.inLabel.has_value() != row.inInterface.has_value(), "a row with two keys or none");
  FuzzCheck(!row.inLabel || IsLabel(*row.inLabel), "an in label that is not a number");
  FuzzCheck(!row.inInterface || IsWord(*row.inInterface), "an in interface with a blank");
  FuzzCheck(IsWord(row.owner), "an owner that is empty or has a blank");
  const bool other = row.action == "other";
  FuzzCheck(other || row.action == "swap" || row.action == "pop" || row.action == "lookup" ||
                row.action == "l2transport",
            "an action of no known kind");
  FuzzCheck(other == row.actionText.has_value(), "action text on a row that was read");
  FuzzCheck(!row.actionText || IsTrimmedLine(*row.actionText), "an action text not trimmed");
  FuzzCheck((row.action == "swap") == row.outLabel.has_value(), "an out label without a swap");
  FuzzCheck(!row.outLabel || IsLabel(*row.outLabel), "an out label that is not a number");
  for (const std::string& label : row.pushLabels) {
    FuzzCheck(IsLabel(label), "a pushed label that is not a number");
  }
  FuzzCheck(!row.outInterface || IsTrimmedLine(*row.outInterface), "an out interface not trimmed");
  FuzzCheck(!row.nextHop || IsWord(*row.nextHop), "a next hop with a blank");
  FuzzCheck(!row.labelSpace || IsTrimmedLine(*row.labelSpace), "a label space not trimmed");
  FuzzCheck(!other || (row.pushLabels.empty() && !row.outInterface && !row.nextHop),
            "an other row with fields read from it");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string reply(reinterpret_cast<const char*>(data), size);
  const LabelTable table = ReadLabelTable(reply);
  FuzzCheck(IsLabelTable(reply) || table.rows.empty(), "rows without a column heading");
  size_t others = 0, outInterfaces = 0;
  for (const LabelTableRow& row : table.rows) {
    CheckRow(row);
    others += row.action == "other";
    outInterfaces += row.outInterface.has_value();
  }
  FuzzCheck(others <= table.notes.size(), "an other row without its warning");

  report::Report found;
  NoInterfaces router;
  CKelRecord record("pe2");
  AddLabelTableEntries({{"default", reply}}, router, record, found);
  FuzzCheck(found.labelEntries.size() == table.rows.size(), "a row that is not an entry");
  FuzzCheck(found.warnings.size() == table.notes.size() + outInterfaces,
            "an unread line or an unresolved interface without its warning");
  for (const report::LabelEntry& e : found.labelEntries) {
    FuzzCheck(e.layout == "label-table" && !e.outIfIndex, "an entry not of this layout");
  }
  return 0;
}
