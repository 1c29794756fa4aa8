// PLACEHOLDER, replaced by the VRF-discovery work.
#include "CPelkUnisphereMPLSTelnet.h"
void CPelkUnisphereMPLSTelnet::GetSpecificVRFInfo(CKelRecord*, const std::string&, std::vector<std::string>&, std::vector<std::string>&, std::vector<std::string>&, const std::string&) {}
void CPelkUnisphereMPLSTelnet::GetLabels(CKelRecord*, std::map<std::string, std::string>&, std::string&, const std::string&) {}
void CPelkUnisphereMPLSTelnet::ObtainVRFData(CKelRecord*, CPelkMPLSData*, std::map<std::string, int>&, const std::string&) {}
int CPelkUnisphereMPLSTelnet::FindVrfIfIndex(CKelRecord*, const std::string&, const std::string&, const std::string&, const std::string&, std::map<std::string, int>&, const std::string&) { return -1; }
