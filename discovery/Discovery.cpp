#include "discovery/Discovery.h"

#include <dlfcn.h>
#include <malloc.h>
#ifdef ERX_MIMALLOC
#include <mimalloc.h>
#endif

#include <map>

#include "agents/UnisphereMPLSTelnet/CPelkUnisphereMPLSTelnet.h"
#include "discovery/AgentWarnings.h"
#include "discovery/ForwardingReplies.h"
#include "discovery/HostResults.h"
#include "discovery/LabelTableEntries.h"
#include "host/KelSnmp.h"
#include "host/KelTrace.h"
#include "host/PelkAgent.h"

namespace {

// The module's entry is called through its own type (any other function type
// is undefined behaviour); it returns the agent class, which is used as the
// CPelkMPLSAgent it derives from: the host's operations are public there,
// protected in the subclass.
using Instantiate = decltype(&DAInstantiate);

class AgentModule {
 public:
  explicit AgentModule(const std::string& path)
      : path_(path), handle_(dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) {}
  AgentModule(const AgentModule&) = delete;
  AgentModule& operator=(const AgentModule&) = delete;
  ~AgentModule() {
    if (handle_) dlclose(handle_);
  }

  // A new agent, or null with `problem` set.
  CPelkMPLSAgent* NewAgent(Status& problem) {
    if (!handle_) {
      problem = Status::Failure("cannot load the agent module " + path_ + ": " + dlerror());
      return nullptr;
    }
    auto entry = reinterpret_cast<Instantiate>(dlsym(handle_, "DAInstantiate"));
    if (!entry) {
      problem = Status::Failure("the agent module " + path_ + " has no DAInstantiate");
      return nullptr;
    }
    return entry();
  }

 private:
  std::string path_;
  void* handle_;
};

// The host's tree of the device's interfaces, from the device's own ifDescr
// walk: keyed by ifIndex, each entry a binding list holding "ifDescr".
class InterfaceTree {
 public:
  InterfaceTree(CPelkStdRequester* requester, CKelRecord* record) {
    CKelDoubleList* walk = requester->DSRSnmpGetNext(record, "ifDescr", nullptr, "");
    for (CKelListable* it = walk ? walk->RDLHead() : nullptr; it; it = walk->RDLGetNext(it)) {
      auto* row = static_cast<CKelSnmpVarOp*>(it);
      const int ifIndex = row->RSVOASN1()->RAAAddressAt(0);
      const char* descr = row->RSVOValue() ? row->RSVOValue()->RAString() : nullptr;
      if (ifIndex <= 0 || !descr || lists_.count(ifIndex)) continue;
      auto* list = new CKelVBList;
      list->RVBLAddToListEnd(new CKelVarBind("ifDescr", descr));
      lists_[ifIndex] = list;
      tree_.RTLAdd(ifIndex, list);
    }
    delete walk;
  }
  InterfaceTree(const InterfaceTree&) = delete;
  InterfaceTree& operator=(const InterfaceTree&) = delete;
  ~InterfaceTree() {
    for (auto& entry : lists_) delete entry.second;
  }

  CKelTreeList* Tree() { return &tree_; }
  const std::map<int, CKelVBList*>& Lists() const { return lists_; }

 private:
  CKelTreeList tree_{0};
  std::map<int, CKelVBList*> lists_;
};

void RunProcessingLayer(CPelkMPLSAgent& agent, CKelRecord& record, CPelkMediationData& medData,
                        report::Report& found) {
  CKelDoubleList* adminStatus = nullptr;
  CKelTreeList* addresses = nullptr;
  CKelTreeList* values = nullptr;
  agent.GetLocalNbrForProcessing(&medData, &adminStatus, &addresses, &values);
  delete adminStatus;
  delete addresses;
  delete values;

  InterfaceTree interfaces(agent.DAGetRequester(), &record);
  agent.AppendVendorSpecificData(&record, &medData, interfaces.Tree());

  found.virtualRouters = VirtualRoutersOf(record);
  if (auto* mpls = static_cast<CPelkMPLSData*>(medData.DMDGetDataPtr("m_MPLSData"))) {
    found.labelEntries = LabelEntriesOf(*mpls);
    found.vrfs = VrfsOf(*mpls);
  }
  found.interfaces = InterfacesOf(interfaces.Lists());
  auto* vrList = static_cast<std::vector<std::string>*>(medData.DMDGetDataPtr("VirtualRouter"));
  if (vrList) found.ipAddresses = IpAddressesOf(medData, *vrList);
}

}  // namespace

Status DiscoverDevice(CPelkRequestTransport& transport, const std::string& deviceName,
                      const DiscoveryOptions& options, report::Report& found) {
#ifdef ERX_MIMALLOC
  // Pages freed while discovery runs go back to the system at once: a large
  // router frees its capture, its replies and its matches in blocks among
  // those it keeps, and the allocator would otherwise hold them all until the
  // report was written. Freed segments are decommitted without delay; resetting
  // every freed page as well cost thousands of madvise calls and no memory.
  mi_option_set(mi_option_page_reset, 0);
  mi_option_set(mi_option_decommit_delay, 0);
#endif
  AgentModule module(options.modulePath);
  KelClearErrorLog();
  Status loaded;
  CPelkMPLSAgent* agent = module.NewAgent(loaded);
  if (!agent) return loaded;
  ForwardingReplies forwarding(transport);
  agent->DAGetRequester()->DSRSetTransport(&forwarding);
  agent->RASetSCDesc();
  agent->DMASetGatherLabels(options.gatherLabels);
  agent->DMASetWantedVRFs(options.wantedVrfs);

  found = report::Report();
  found.device = deviceName;
  found.agent = agent->RAGetDesc() ? agent->RAGetDesc() : "";
  CPelkMediationData medData;
  CKelRecord record(deviceName.c_str());
  record.RRSetMediationData(&medData);
  AgentWarnings warnings;
  {
    KelScopedTraceListener listening(warnings, AgentWarnings::kWithContext);
    agent->DADoMediationLayer(&record);
  }
  warnings.ForgetContext();
  // The label tables to read afterwards were copied on the way; nothing else
  // needs the replies.
  transport.ForgetReplies();
  // What discovery freed and could not hand back yet, before the report's
  // large blocks are made.
#ifdef ERX_MIMALLOC
  mi_collect(true);
#else
  malloc_trim(0);
#endif
  {
    KelScopedTraceListener listening(warnings, AgentWarnings::kMessages);
    RunProcessingLayer(*agent, record, medData, found);
    agent->DMACleanUpMedData(&medData);
  }
  found.errors = ErrorsOf(KelErrorLog());
  found.warnings = WarningsOf(warnings.Warnings());
  delete agent;
  // Forwarding tables in the layout of later releases, which the module could
  // not read, are read from the same replies now that its pass is over.
  if (options.gatherLabels)
    AddLabelTableEntries(forwarding.LabelTables(), transport, record, found);
  return Status();
}
