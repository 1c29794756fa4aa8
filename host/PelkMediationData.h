// Per-device store of named pointers and SNMP result lists.
#ifndef HOST_PELKMEDIATIONDATA_H_
#define HOST_PELKMEDIATIONDATA_H_

#include <map>
#include <string>

#include "KelBase.h"

class CPelkMediationData {
 public:
  CPelkMediationData() = default;
  CPelkMediationData(const CPelkMediationData&) = delete;
  CPelkMediationData& operator=(const CPelkMediationData&) = delete;
  ~CPelkMediationData();  // frees the SNMP lists, never the bare pointers

  // Stores a bare pointer that the store never frees. A key already present is
  // replaced and 0 returned; otherwise 1.
  int DMDAddDataPtr(const char* key, void* data);
  void* DMDGetDataPtr(const char* key) const;
  // Removes the entry; the caller frees what comes back.
  void* DMDRemoveDataPtr(const char* key);
  bool DMDHasDataPtr(const char* key) const { return pointers_.count(key) != 0; }

  // The store owns `list` from then on; a list already stored under the name
  // is freed and replaced.
  void DMDAddSnmp(const char* name, CKelDoubleList* list);
  CKelDoubleList* DMDGetSnmpGetNext(const char* name) const;
  const std::map<std::string, CKelDoubleList*>& DMDSnmpEntries() const { return snmp_; }

 private:
  std::map<std::string, void*> pointers_;
  std::map<std::string, CKelDoubleList*> snmp_;
};

#endif  // HOST_PELKMEDIATIONDATA_H_
