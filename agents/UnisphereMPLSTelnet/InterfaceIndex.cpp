// PLACEHOLDER, replaced by the label-discovery work.
#include "CPelkUnisphereMPLSTelnet.h"
void CPelkUnisphereMPLSTelnet::GetMajorIfNameAndIp(CKelRecord*, std::vector<std::string>&, std::vector<std::string>&, const std::string&) {}
void CPelkUnisphereMPLSTelnet::GenerateIfDescrToIfIndexTL(CKelRecord*, CPelkMediationData*, std::map<std::string, int>&, const std::string&, const std::vector<std::string>&) {}
void CPelkUnisphereMPLSTelnet::AddInterfaceTableIfDescr(CKelRecord*, std::map<std::string, int>&, const std::string&, const std::vector<std::string>&) {}
