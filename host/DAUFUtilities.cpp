#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "host/ERXHost.h"
#include "host/KelSnmp.h"

void DAUFIntToString(int value, char** out) {
  if (!out) return;
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%d", value);
  *out = static_cast<char*>(std::malloc(std::strlen(buffer) + 1));
  if (*out) std::strcpy(*out, buffer);
}

void DAUFStoreSnmpDLinTLByIndex(CKelDoubleList* list, CKelTreeList* tree, bool byValue,
                                bool /*replace: the tree's own flag decides*/) {
  if (!list || !tree) return;
  for (CKelListable* it = list->RDLHead(); it; it = list->RDLGetNext(it)) {
    auto* varOp = static_cast<CKelSnmpVarOp*>(it);
    if (byValue) {
      if (!varOp->RSVOValue()) continue;
      char* text = varOp->RSVOValue()->RAStrRep();
      tree->RTLAdd(text, varOp);
      std::free(text);
    } else if (const char* instance = varOp->RSVOASN1()->RAAAsString()) {
      tree->RTLAdd(instance, varOp);
    }
  }
}
