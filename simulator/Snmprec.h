// `snmpwalk -On` output turned into the records that snmpsim serves
// ("OID|TYPE|VALUE" lines, in OID order).
#ifndef SIMULATOR_SNMPREC_H_
#define SIMULATOR_SNMPREC_H_

#include <string>
#include <vector>

// Lines that cannot be served (symbolic names, unknown types) are skipped
// with a warning "FILE:LINE: ..." in `warnings`.
std::string SnmprecFromWalk(const std::string& walk, const std::string& fileName,
                            std::vector<std::string>& warnings);

#endif  // SIMULATOR_SNMPREC_H_
