// Per-device store of named pointers and SNMP result lists.
#ifndef HOST_PELKMEDIATIONDATA_H_
#define HOST_PELKMEDIATIONDATA_H_

#include <map>
#include <string>

#include "host/KelBase.h"

class CPelkMediationData {
 public:
  CPelkMediationData() = default;
  CPelkMediationData(const CPelkMediationData&) = delete;
  CPelkMediationData& operator=(const CPelkMediationData&) = delete;
  ~CPelkMediationData();  // frees the SNMP lists, never the bare pointers

  // Stores a bare pointer; the store never frees what it holds. A key already
  // present is replaced and 0 returned; otherwise 1. A replaced pointer is
  // unreachable afterwards, so when it was stored with its type (the typed
  // overload, which every `new`-made object picks) it is deleted as that type;
  // one stored as void* cannot be, and stays the storer's.
  int DMDAddDataPtr(const char* key, void* data) { return Add(key, data, nullptr); }
  template <typename T>
  int DMDAddDataPtr(const char* key, T* data) {
    return Add(key, data, [](void* replaced) { delete static_cast<T*>(replaced); });
  }
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
  using Deleter = void (*)(void*);
  struct Stored {
    void* data;
    Deleter deleter;
  };
  int Add(const char* key, void* data, Deleter deleter);

  std::map<std::string, Stored> pointers_;
  std::map<std::string, CKelDoubleList*> snmp_;
};

#endif  // HOST_PELKMEDIATIONDATA_H_
