// What the agent handed the host, read into the report model (ReportModel.h).
// Each binding of the host's converted lists fills the model field of its
// name; a binding that is missing, or of another kind than the field, leaves
// the field out.
#ifndef DISCOVERY_HOSTRESULTS_H_
#define DISCOVERY_HOSTRESULTS_H_

#include <map>
#include <string>
#include <vector>

#include "discovery/AgentWarnings.h"
#include "host/KelBase.h"
#include "host/KelError.h"
#include "host/PelkMPLSData.h"
#include "host/PelkMediationData.h"
#include "report/ReportModel.h"

// The record's "m_ExtraInfo" bindings "m_VRData".
std::vector<report::VirtualRouter> VirtualRoutersOf(const CKelRecord& record);
// Each label entry converted as the host converts it (ConvertLabelEntry).
std::vector<report::LabelEntry> LabelEntriesOf(CPelkMPLSData& data);
// Each VRF entry converted as the host converts it (GenerateVRFRecordEntry).
std::vector<report::Vrf> VrfsOf(CPelkMPLSData& data);
// The host's interface lists after the agent annotated them.
std::vector<report::Interface> InterfacesOf(const std::map<int, CKelVBList*>& interfaces);
// The stored SNMP entries "ipAdEntIfIndex.<vr>", virtual router by virtual router.
std::vector<report::IpAddress> IpAddressesOf(const CPelkMediationData& medData,
                                             const std::vector<std::string>& virtualRouters);
std::vector<report::Error> ErrorsOf(const std::vector<KelErrorRecord>& log);
std::vector<report::Warning> WarningsOf(const std::vector<AgentWarning>& warnings);

#endif  // DISCOVERY_HOSTRESULTS_H_
