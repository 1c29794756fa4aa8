// Field paths into a matched pattern tree, and the steps every CLI parser
// takes between building its tree and walking its records.
//
//   const std::string entry = IndexedPath("lspEntry", i);      // "lspEntry[3]"
//   const std::string dest = IndexedPath(entry + ".destEntry", j);
//   root.FindField(dest + ".destination[0]", destination);
#ifndef AGENTS_UNISPHEREMPLSTELNET_PATTERNPATHS_H_
#define AGENTS_UNISPHEREMPLSTELNET_PATTERNPATHS_H_

#include <ostream>
#include <string>

#include "host/PelkPattern.h"

// `path` + "[" + index + "]", the digits spelled by the host's DAUFIntToString.
std::string IndexedPath(const std::string& path, int index);
// `record` + "." + `field` + "[" + index + "]".
std::string IndexedPath(const std::string& record, const char* field, int index);

// The text the instance at `path` matched (empty when there is none).
std::string FieldText(const CPelkPattern& root, const std::string& path);
// The text at `record` + "." + `field`, e.g. FieldText(root, dest, "destination[0]").
std::string FieldText(const CPelkPattern& root, const std::string& record, const char* field);

// The text at `path`, looked up only when a written trace line streams it:
//   Trace(4) << TracedField{root, entry};
struct TracedField {
  const CPelkPattern& root;
  const std::string& path;
};
std::ostream& operator<<(std::ostream& out, const TracedField& field);

// Checks and matches a freshly built tree against a whole reply, with the
// messages of `operation` (e.g. "ObtainLabelData"): "Failed to compile!" at
// `compileErrorLine` when the tree is not valid, the level-1 no-match message
// ending in "(" + noMatchReason + ")!", on a match "has a match - lets extract
// it!" when `traceHasMatch` (the VRF parsers go straight to the count), then
// the record count at level 4.
// The tree's fields refer to `reply`, which must outlive their reading.
// Returns the number of `rootName` records, 0 when there is nothing to walk.
int MatchTelnetTable(CPelkPattern& root, const char* rootName, const std::string& reply,
                     const char* operation, int compileErrorLine, const char* noMatchReason,
                     bool traceHasMatch);

#endif  // AGENTS_UNISPHEREMPLSTELNET_PATTERNPATHS_H_
