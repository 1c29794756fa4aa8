// PLACEHOLDER, replaced by the interface-annotation work.
#include "CPelkUnisphereMPLSTelnet.h"
void CPelkUnisphereMPLSTelnet::DMAObtainInterfaceData(CKelRecord* r, CPelkMediationData* m) { CPelkMPLSAgent::DMAObtainInterfaceData(r, m); }
void CPelkUnisphereMPLSTelnet::GetLocalNbrForProcessing(CPelkMediationData* m, CKelDoubleList** a, CKelTreeList** b, CKelTreeList** c) { CPelkMPLSAgent::GetLocalNbrForProcessing(m, a, b, c); }
void CPelkUnisphereMPLSTelnet::AppendVendorSpecificData(CKelRecord*, CPelkMediationData*, CKelTreeList*) {}
void CPelkUnisphereMPLSTelnet::AppendMainNodeVrVrfData(CKelRecord*, CPelkMediationData*) {}
void CPelkUnisphereMPLSTelnet::AppendInterfaceVrVrfData(CPelkMediationData*, CKelTreeList*) {}
void CPelkUnisphereMPLSTelnet::AddVRListToMap(CKelDoubleList*, std::map<int, std::vector<std::string>>*, const std::string&) {}
void CPelkUnisphereMPLSTelnet::AddVRFListToMap(CKelDoubleList*, std::map<int, std::vector<std::string>>*, const std::string&, const std::string&) {}
