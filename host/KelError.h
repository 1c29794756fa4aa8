// Errors and the debug level of the host's port library.
//
// Constructing a CKelError reports it to the host's error log, which the host's
// front ends read; the object itself carries nothing further.
#ifndef HOST_KELERROR_H_
#define HOST_KELERROR_H_

#include <string>
#include <vector>

extern "C" int __Kelwick_Debug_Level;

class CKelError {
 public:
  CKelError(int code, const char* sourceFile, int line, const char* text);
};

struct KelErrorRecord {
  int code;
  std::string source;
  int line;
  bool hasText;
  std::string text;
};

// The host-side log of every CKelError constructed, oldest first.
const std::vector<KelErrorRecord>& KelErrorLog();
void KelClearErrorLog();

#endif  // HOST_KELERROR_H_
