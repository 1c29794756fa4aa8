// The host's helper functions for this router family (ERX...) and for agents
// in general (DAUF...).
#ifndef HOST_ERXHOST_H_
#define HOST_ERXHOST_H_

#include <string>
#include <vector>

#include "host/KelBase.h"
#include "host/PelkRequester.h"

// Asks the router for its virtual routers and, inside each, for its VRFs.
// Appends the names to `vrList` and one element per virtual router to
// `vrfTable`. False when the router gave no usable answer.
bool ERXFindVirtRtrVRF(CKelRecord* record, CPelkStdRequester* requester,
                       std::vector<std::string>& vrList,
                       std::vector<std::vector<std::string>>& vrfTable);

// Interface-description keys: the CLI name of an interface and its row in the
// SNMP interface table give the same key. `out` is empty on entry.
void ERXGetDescrFromVrfDescr(const char* cliName, const std::string& context, std::string& out);
void ERXGetDescrFromIfTableDescr(const char* ifDescr, const std::string& context, std::string& out,
                                 int ifType);

// Files every CKelSnmpVarOp of `list` in `tree` under the text of its instance.
void DAUFStoreSnmpDLinTLByIndex(CKelDoubleList* list, CKelTreeList* tree, bool byValue,
                                bool replace);
// Stores through `out` a new decimal text of `value`, released with free().
void DAUFIntToString(int value, char** out);

// Runs `command` inside virtual router `vrName` in one request. Returns the
// reply text, or null; *holder receives the reply vector, which the caller
// deletes when it is not null.
const char* ERXGetTelnet4VR(CKelRecord* record, CPelkStdRequester* requester,
                            const std::string& vrName, const char* command,
                            CKelAtomVector** holder);

// Parses "show ip vrf detail" into five tables aligned by VRF position.
bool ERXGetGeneralVRFInfo(const char* reply, std::vector<std::string>& names,
                          std::vector<std::string>& routeDistinguishers,
                          std::vector<std::vector<std::string>>& interfaces,
                          std::vector<std::vector<std::string>>& importRTs,
                          std::vector<std::vector<std::string>>& exportRTs, bool verbose);

// Joins an interface text that the router wrapped over lines into one.
void ERXStripNewLineOutInterfaceDescr(const std::string& in, std::string& out, bool keepBlanks);

#endif  // HOST_ERXHOST_H_
