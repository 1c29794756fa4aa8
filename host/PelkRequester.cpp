#include "host/PelkRequester.h"

CKelAtomVector* CPelkStdRequester::DSRGetTELNET(CKelRecord* device, CKelAtomVector* commands) {
  std::vector<std::string> texts;
  if (commands) {
    for (int i = 0; i < commands->RAVSize(); ++i) {
      const char* text = commands->RAVGetValue(i)->RAString();
      texts.push_back(text ? text : "");
    }
    delete commands;
  }
  if (!transport_) return nullptr;
  return transport_->RunCommands(device, texts);
}

CKelDoubleList* CPelkStdRequester::DSRSnmpGetNext(CKelRecord* device, const char* variable,
                                                  const char* /*unused*/, const char* context) {
  if (!transport_ || !variable) return nullptr;
  return transport_->Walk(device, variable, context ? context : "");
}
