#include "host/KelError.h"

int __Kelwick_Debug_Level = 0;

namespace {
std::vector<KelErrorRecord>& Log() {
  static std::vector<KelErrorRecord> log;
  return log;
}
}  // namespace

CKelError::CKelError(int code, const char* sourceFile, int line, const char* text) {
  Log().push_back(
      KelErrorRecord{code, sourceFile ? sourceFile : "", line, text != nullptr, text ? text : ""});
}

const std::vector<KelErrorRecord>& KelErrorLog() { return Log(); }
void KelClearErrorLog() { Log().clear(); }
