// SNMP results as the host's requester returns them: one CKelSnmpVarOp per
// instance of a walked column, in a CKelDoubleList.
#ifndef HOST_KELSNMP_H_
#define HOST_KELSNMP_H_

#include <string>
#include <vector>

#include "host/KelBase.h"

// A column of the interface and IP address tables that discovery walks, by
// name and by number.
struct KelMibColumn {
  const char* name;
  const char* oid;  // ".1.3.6.1.2.1.2.2.1.2" for "ifDescr"
};
const std::vector<KelMibColumn>& KelMibColumns();

// The instance part of an object identifier, e.g. "10.1.1.1" for
// ipAdEntIfIndex.10.1.1.1 or "7" for ifDescr.7.
class CKelASN1Address {
 public:
  explicit CKelASN1Address(std::vector<unsigned int> components);
  // Parses dotted numbers ("10.1.1.1", leading dot allowed); false when malformed.
  static bool Parse(const std::string& text, std::vector<unsigned int>& out);

  int RAAAddressAt(int position) const;  // -1 when out of range
  int RAALength() const { return static_cast<int>(components_.size()); }
  // The dotted text; null when the address has no component.
  const char* RAAAsString() const;

 private:
  std::vector<unsigned int> components_;
  std::string text_;
};

class CKelSnmpVarOp : public CKelListable {
 public:
  // Takes `value` (may be null).
  CKelSnmpVarOp(const char* variable, std::vector<unsigned int> instance, CKelAtom* value);
  CKelSnmpVarOp(const CKelSnmpVarOp& other);
  ~CKelSnmpVarOp() override;

  CKelListable* RLTargetDeepCopy(const CKelListable* source) override;
  const char* RSVOVariable() const { return variable_.c_str(); }
  CKelAtom* RSVOValue() const { return value_; }
  CKelASN1Address* RSVOASN1() { return &address_; }

 private:
  std::string variable_;
  CKelASN1Address address_;
  CKelAtom* value_;
};

#endif  // HOST_KELSNMP_H_
