// PLACEHOLDER, replaced by the label-discovery work.
#include "CPelkUnisphereMPLSTelnet.h"
void CPelkUnisphereMPLSTelnet::ObtainLabelData(CKelRecord*, CPelkMPLSData*, std::map<std::string, int>&, const std::string&) {}
