// PLACEHOLDER, replaced by the VRF-discovery work.
#include "ERXHost.h"
const char* ERXGetTelnet4VR(CKelRecord*, CPelkStdRequester*, const std::string&, const char*, CKelAtomVector** holder) { if (holder) *holder = nullptr; return nullptr; }
bool ERXGetGeneralVRFInfo(const char*, std::vector<std::string>&, std::vector<std::string>&, std::vector<std::vector<std::string>>&, std::vector<std::vector<std::string>>&, std::vector<std::vector<std::string>>&, bool) { return false; }
void ERXStripNewLineOutInterfaceDescr(const std::string& in, std::string& out, bool) { out = in; }
