// The module as a host sees it: a shared object with one C entry point and
// the agent's members exported beside it.
#include <dlfcn.h>

#include <cstdio>
#include <memory>
#include <string>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "agents/UnisphereMPLSTelnet/CPelkUnisphereMPLSTelnet.h"
#include "host/PelkAgent.h"
#include "tests/support/RunProgram.h"
#include "tests/support/ScriptedDevice.h"

using testing::HasSubstr;

namespace {

TEST(ModuleLoading, HostStyleLoadRunsOneDevice) {
  void* module = dlopen(ERX_MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(module, nullptr) << dlerror();
  // Called through its own type, used as the base class.
  auto instantiate = reinterpret_cast<decltype(&DAInstantiate)>(dlsym(module, "DAInstantiate"));
  ASSERT_NE(instantiate, nullptr) << dlerror();

  ScriptedDevice device;
  device.Reply("show virtual-router", "Virtual Router   Router ID\ndefault          10.0.0.1\n");
  CPelkMPLSAgent* agent = instantiate();
  ASSERT_NE(agent, nullptr);
  agent->DAGetRequester()->DSRSetTransport(&device);
  agent->RASetSCDesc();
  EXPECT_STREQ(agent->RAGetDesc(),
               "Discovery Agent for Unisphere ERX MPLS information using Telnet");

  CPelkMediationData medData;
  CKelRecord record("pe1");
  record.RRSetMediationData(&medData);
  agent->DADoMediationLayer(&record);
  EXPECT_NE(medData.DMDGetDataPtr("m_MPLSData"), nullptr);
  agent->DMACleanUpMedData(&medData);
  EXPECT_EQ(medData.DMDGetDataPtr("m_MPLSData"), nullptr);
  EXPECT_EQ(medData.DMDGetDataPtr("VirtualRouter"), nullptr);
  delete static_cast<std::map<int, std::vector<std::string>>*>(
      medData.DMDRemoveDataPtr("UnisphereIfIndexToVrVrfData"));
  delete agent;
  dlclose(module);
}

TEST(ModuleLoading, ExportsTheEntryAndTheAgentMembers) {
  const std::string symbols =
      RunProgram(std::string("nm -DC --defined-only ") + ERX_MODULE_PATH).out;
  EXPECT_THAT(symbols, HasSubstr(" T DAInstantiate"));
  for (const char* member :
       {"CPelkUnisphereMPLSTelnet::DADoMediationLayer(CKelRecord*)",
        "CPelkUnisphereMPLSTelnet::DMAObtainMPLSData(CKelRecord*, CPelkMediationData*)",
        "CPelkUnisphereMPLSTelnet::DMACleanUpMedData(CPelkMediationData*)",
        "CPelkUnisphereMPLSTelnet::RetrieveTelnetData(",
        "CPelkUnisphereMPLSTelnet::ObtainLabelData(", "CPelkUnisphereMPLSTelnet::FindVrfIfIndex(",
        "CPelkUnisphereMPLSTelnet::AppendVendorSpecificData(",
        "vtable for CPelkUnisphereMPLSTelnet", "CPelkUnisphereLabelEntry::AddIfIndexIn(int)",
        "CPelkUnisphereVRFEntry::RLTargetDeepCopy(", "vtable for CPelkUnisphereLabelEntry",
        "vtable for CPelkUnisphereVRFEntry"}) {
    EXPECT_THAT(symbols, HasSubstr(member));
  }
}

}  // namespace
