#include "agents/UnisphereMPLSTelnet/PatternPaths.h"

#include <cstdlib>
#include <cstring>

#include "host/ERXHost.h"
#include "host/KelError.h"
#include "agents/UnisphereMPLSTelnet/Trace.h"

std::string IndexedPath(const std::string& path, int index) {
  char* digits = nullptr;
  DAUFIntToString(index, &digits);
  std::string indexed = path + "[" + (digits ? digits : "") + "]";
  std::free(digits);
  return indexed;
}

std::string IndexedPath(const std::string& record, const char* field, int index) {
  char* digits = nullptr;
  DAUFIntToString(index, &digits);
  const char* spelled = digits ? digits : "";
  std::string indexed;
  indexed.reserve(record.size() + std::strlen(field) + std::strlen(spelled) + 3);
  indexed.append(record).append(1, '.').append(field).append(1, '[').append(spelled).append(1, ']');
  std::free(digits);
  return indexed;
}

std::string FieldText(const CPelkPattern& root, const std::string& record, const char* field) {
  std::string text;
  root.FindField(record, field, text);
  return text;
}

std::string FieldText(const CPelkPattern& root, const std::string& path) {
  std::string text;
  root.FindField(path, text);
  return text;
}

std::ostream& operator<<(std::ostream& out, const TracedField& field) {
  return out << FieldText(field.root, field.path);
}

int MatchTelnetTable(CPelkPattern& root, const char* rootName, const std::string& reply,
                     const char* operation, int compileErrorLine, const char* noMatchReason,
                     bool traceHasMatch) {
  if (!root.IsValid()) {
    CKelError(-220440, kErrorSource, compileErrorLine, "Failed to compile!");
    return 0;
  }
  Trace(4) << "::" << operation << "() compiled ok, but does it match?";
  // The reply outlives the tree: the parsers read it from the Telnet cache.
  // Up to a NUL, as the router's text reaches every other parser.
  if (!root.MatchInPlace(reply.c_str())) {
    Trace(1) << "::" << operation << "() failed to match expected telnet response ("
             << noMatchReason << ")!";
    return 0;
  }
  if (traceHasMatch) Trace(4) << "::" << operation << "() has a match - lets extract it!";
  const int count = root.NumberMatches(rootName);
  Trace(4) << "::" << operation << "() " << count << " entries in the telnet table";
  return count;
}
