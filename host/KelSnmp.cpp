#include "host/KelSnmp.h"

#include <climits>
#include <cstdlib>
#include <utility>

CKelASN1Address::CKelASN1Address(std::vector<unsigned int> components)
    : components_(std::move(components)) {
  for (size_t i = 0; i < components_.size(); ++i) {
    if (i) text_ += ".";
    text_ += std::to_string(components_[i]);
  }
}

bool CKelASN1Address::Parse(const std::string& text, std::vector<unsigned int>& out) {
  out.clear();
  size_t pos = (!text.empty() && text[0] == '.') ? 1 : 0;
  if (pos >= text.size()) return false;
  while (pos <= text.size()) {
    size_t end = text.find('.', pos);
    if (end == std::string::npos) end = text.size();
    if (end == pos || end - pos > 10) return false;
    unsigned long value = 0;
    for (size_t i = pos; i < end; ++i) {
      if (text[i] < '0' || text[i] > '9') return false;
      value = value * 10 + static_cast<unsigned long>(text[i] - '0');
    }
    if (value > UINT_MAX) return false;
    out.push_back(static_cast<unsigned int>(value));
    pos = end + 1;
  }
  return true;
}

int CKelASN1Address::RAAAddressAt(int position) const {
  if (position < 0 || position >= RAALength()) return -1;
  return static_cast<int>(components_[position]);
}

const char* CKelASN1Address::RAAAsString() const {
  return components_.empty() ? nullptr : text_.c_str();
}

CKelSnmpVarOp::CKelSnmpVarOp(const char* variable, std::vector<unsigned int> instance,
                             CKelAtom* value)
    : variable_(variable ? variable : ""), address_(std::move(instance)), value_(value) {}

CKelSnmpVarOp::CKelSnmpVarOp(const CKelSnmpVarOp& other)
    : CKelListable(other),
      variable_(other.variable_),
      address_(other.address_),
      value_(other.value_ ? new CKelAtom(*other.value_) : nullptr) {}

CKelSnmpVarOp::~CKelSnmpVarOp() { delete value_; }

CKelListable* CKelSnmpVarOp::RLTargetDeepCopy(const CKelListable* source) {
  return source ? new CKelSnmpVarOp(*static_cast<const CKelSnmpVarOp*>(source)) : nullptr;
}

const std::vector<KelMibColumn>& KelMibColumns() {
  static const std::vector<KelMibColumn> columns = {
      {"ifIndex", ".1.3.6.1.2.1.2.2.1.1"},         {"ifDescr", ".1.3.6.1.2.1.2.2.1.2"},
      {"ifType", ".1.3.6.1.2.1.2.2.1.3"},          {"ifMtu", ".1.3.6.1.2.1.2.2.1.4"},
      {"ifSpeed", ".1.3.6.1.2.1.2.2.1.5"},         {"ifPhysAddress", ".1.3.6.1.2.1.2.2.1.6"},
      {"ifAdminStatus", ".1.3.6.1.2.1.2.2.1.7"},   {"ifOperStatus", ".1.3.6.1.2.1.2.2.1.8"},
      {"ipAdEntAddr", ".1.3.6.1.2.1.4.20.1.1"},    {"ipAdEntIfIndex", ".1.3.6.1.2.1.4.20.1.2"},
      {"ipAdEntNetMask", ".1.3.6.1.2.1.4.20.1.3"}, {"ifName", ".1.3.6.1.2.1.31.1.1.1.1"},
      {"ifAlias", ".1.3.6.1.2.1.31.1.1.1.18"},
  };
  return columns;
}
