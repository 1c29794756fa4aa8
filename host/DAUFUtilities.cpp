#include <charconv>
#include <cstdlib>
#include <cstring>

#include "host/ERXHost.h"
#include "host/KelSnmp.h"

void DAUFIntToString(int value, char** out) {
  if (!out) return;
  // Not snprintf: agents spell an index this way for every field they read.
  char buffer[16];
  const std::to_chars_result end = std::to_chars(buffer, buffer + sizeof buffer, value);
  const size_t size = static_cast<size_t>(end.ptr - buffer);
  *out = static_cast<char*>(std::malloc(size + 1));
  if (!*out) return;
  std::memcpy(*out, buffer, size);
  (*out)[size] = '\0';
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
