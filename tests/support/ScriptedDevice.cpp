#include "tests/support/ScriptedDevice.h"

#include "host/KelSnmp.h"

void ScriptedDevice::Reply(const std::string& command, const std::string& text,
                           const std::string& vr) {
  replies_[{vr, command}] = text;
}

void ScriptedDevice::AddWalkRow(const std::string& variable, const std::string& context,
                                const std::string& instance, int value) {
  walkRows_[{variable, context}].push_back(Row{instance, true, value, ""});
}

void ScriptedDevice::AddWalkRow(const std::string& variable, const std::string& context,
                                const std::string& instance, const std::string& value) {
  walkRows_[{variable, context}].push_back(Row{instance, false, 0, value});
}

void ScriptedDevice::EmptyWalk(const std::string& variable, const std::string& context) {
  walkRows_[{variable, context}];
}

CKelAtomVector* ScriptedDevice::RunCommands(CKelRecord*, const std::vector<std::string>& commands) {
  sessions_.push_back(commands);
  if (failSessions_) return nullptr;
  auto* replies = new CKelAtomVector(commands.size());
  std::string vr = "default";
  const std::string kSwitch = "virtual-router ";
  for (const std::string& command : commands) {
    if (command.compare(0, kSwitch.size(), kSwitch) == 0) vr = command.substr(kSwitch.size());
    auto it = replies_.find({vr, command});
    if (it != replies_.end()) {
      replies->RAVAddToEnd(new CKelAtom(it->second.c_str()));
    } else if (command.compare(0, kSwitch.size(), kSwitch) == 0) {
      replies->RAVAddToEnd(new CKelAtom(""));
    } else {
      replies->RAVAddToEnd(new CKelAtom(static_cast<const char*>(nullptr)));
    }
  }
  if (sessions_.size() - 1 == dropLastReplyOf_ && replies->RAVSize() > 0) {
    auto* shorter = new CKelAtomVector(0);
    for (int i = 0; i + 1 < replies->RAVSize(); ++i) {
      shorter->RAVAddToEnd(new CKelAtom(*replies->RAVGetValue(i)));
    }
    delete replies;
    replies = shorter;
  }
  return replies;
}

CKelDoubleList* ScriptedDevice::Walk(CKelRecord*, const char* variable,
                                     const std::string& context) {
  walks_.emplace_back(variable, context);
  auto it = walkRows_.find({variable, context});
  if (it == walkRows_.end()) return nullptr;
  auto* list = new CKelDoubleList;
  for (const Row& row : it->second) {
    std::vector<unsigned int> instance;
    CKelASN1Address::Parse(row.instance, instance);
    CKelAtom* value = row.isInt ? new CKelAtom(row.intValue) : new CKelAtom(row.textValue.c_str());
    list->RDLAddToListEnd(new CKelSnmpVarOp(variable, instance, value));
  }
  return list;
}
