// What the host's conversion makes of a label entry: its bindings in order, as
// name and printable value, e.g. {"m_InboundIfIndex", "(11,-1)"}.
#ifndef TESTS_SUPPORT_LABELENTRYBINDINGS_H_
#define TESTS_SUPPORT_LABELENTRYBINDINGS_H_

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "KelBase.h"
#include "PelkMPLSData.h"

using BindingTexts = std::vector<std::pair<std::string, std::string>>;

inline BindingTexts Converted(CPelkMPLSLabelEntry& entry) {
  CKelVBList list;
  CKelPointer target(&list);
  entry.ConvertLabelEntry(&target);
  BindingTexts texts;
  for (CKelListable* it = list.RDLHead(); it; it = list.RDLGetNext(it)) {
    auto* binding = static_cast<CKelVarBind*>(it);
    char* value = binding->RVBValue() ? binding->RVBValue()->RAStrRep() : nullptr;
    texts.emplace_back(binding->RVBName(), value ? value : "");
    std::free(value);
  }
  return texts;
}

// The value of the first binding named `name`, or "<absent>".
inline std::string ValueOf(const BindingTexts& texts, const std::string& name) {
  for (const auto& binding : texts) {
    if (binding.first == name) return binding.second;
  }
  return "<absent>";
}

#endif  // TESTS_SUPPORT_LABELENTRYBINDINGS_H_
