// What the agent handed the host, read into the report's JSON form (see
// Discovery.h for the whole report). Lists keep the order in which the agent
// produced them; a value the agent did not produce is left out.
#ifndef RUNNER_HOSTRESULTS_H_
#define RUNNER_HOSTRESULTS_H_

#include <map>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "AgentWarnings.h"
#include "KelBase.h"
#include "KelError.h"
#include "PelkMediationData.h"
#include "PelkMPLSData.h"

using Json = nlohmann::ordered_json;

// [{"name", "vrfs"}] from the record's "m_ExtraInfo" binding "m_VRData".
Json VirtualRoutersOf(const CKelRecord& record);
// Each label entry converted as the host converts it (ConvertLabelEntry).
Json LabelEntriesOf(CPelkMPLSData& data);
// Each VRF entry converted as the host converts it (GenerateVRFRecordEntry).
Json VrfsOf(CPelkMPLSData& data);
// [{"ifIndex", "ifDescr", "virtualRouter", "vrf"}] from the host's interface
// lists after the agent annotated them.
Json InterfacesOf(const std::map<int, CKelVBList*>& interfaces);
// [{"virtualRouter", "address", "ifIndex"}] from the stored SNMP entries
// "ipAdEntIfIndex.<vr>", virtual router by virtual router.
Json IpAddressesOf(const CPelkMediationData& medData, const std::vector<std::string>& virtualRouters);
// [{"code", "source", "line", "text"}].
Json ErrorsOf(const std::vector<KelErrorRecord>& log);
// [{"text", "virtualRouter", "vrf"}], the last two where known.
Json WarningsOf(const std::vector<AgentWarning>& warnings);

#endif  // RUNNER_HOSTRESULTS_H_
