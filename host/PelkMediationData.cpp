#include "host/PelkMediationData.h"

CPelkMediationData::~CPelkMediationData() {
  for (auto& entry : snmp_) delete entry.second;
}

int CPelkMediationData::Add(const char* key, void* data, Deleter deleter) {
  if (!key) return 0;
  auto [it, inserted] = pointers_.emplace(key, Stored{data, deleter});
  if (inserted) return 1;
  Stored replaced = it->second;
  it->second = Stored{data, deleter};
  if (replaced.data != data && replaced.deleter) replaced.deleter(replaced.data);
  return 0;
}

void* CPelkMediationData::DMDGetDataPtr(const char* key) const {
  if (!key) return nullptr;
  auto it = pointers_.find(key);
  return it == pointers_.end() ? nullptr : it->second.data;
}

void* CPelkMediationData::DMDRemoveDataPtr(const char* key) {
  if (!key) return nullptr;
  auto it = pointers_.find(key);
  if (it == pointers_.end()) return nullptr;
  void* data = it->second.data;
  pointers_.erase(it);
  return data;
}

void CPelkMediationData::DMDAddSnmp(const char* name, CKelDoubleList* list) {
  if (!name) {
    delete list;
    return;
  }
  CKelDoubleList*& slot = snmp_[name];
  if (slot != list) delete slot;
  slot = list;
}

CKelDoubleList* CPelkMediationData::DMDGetSnmpGetNext(const char* name) const {
  if (!name) return nullptr;
  auto it = snmp_.find(name);
  return it == snmp_.end() ? nullptr : it->second;
}
