// A captured device folder made of arbitrary files, loaded by the replay
// transport and discovered by the agent module as erx-discover does, then
// written as both reports, each valid UTF-8.
//
// Input: cli.log \0 snmp.walk \0 snmp/default.walk \0 snmp/default:red.walk
// (missing parts give missing files).
#include <dlfcn.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "discovery/Discovery.h"
#include "fuzz/support/FuzzInput.h"
#include "fuzz/support/TextChecks.h"
#include "report/JsonReport.h"
#include "report/TextReport.h"
#include "transports/ReplayTransport.h"

namespace fs = std::filesystem;

namespace {

const char* const kFiles[] = {"cli.log", "snmp.walk", "snmp/default.walk", "snmp/default:red.walk"};

// One folder per process, emptied before each input.
const fs::path& Folder() {
  static const fs::path folder = [] {
    std::string path = (fs::temp_directory_path() / "erx-fuzz-device-XXXXXX").string();
    FuzzCheck(mkdtemp(path.data()) != nullptr, "cannot make a temporary folder");
    std::atexit([] {
      std::error_code ignored;
      fs::remove_all(Folder(), ignored);
    });
    return fs::path(path);
  }();
  return folder;
}

void WriteDevice(const std::vector<std::string>& parts) {
  const fs::path& folder = Folder();
  std::error_code ignored;
  for (const char* file : kFiles) fs::remove(folder / file, ignored);
  fs::create_directories(folder / "snmp", ignored);
  for (size_t i = 0; i < parts.size(); ++i) {
    std::ofstream(folder / kFiles[i], std::ios::binary) << parts[i];
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Kept loaded, so that each discovery's load and unload of the module only counts.
  static void* const module = dlopen(ERX_MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
  FuzzCheck(module != nullptr, "cannot load the agent module");
  WriteDevice(SplitInput(data, size, sizeof kFiles / sizeof *kFiles));

  ReplayTransport device;
  FuzzCheck(device.Load(Folder().string()).ok(), "a folder with a cli.log does not load");
  DiscoveryOptions options;
  options.modulePath = ERX_MODULE_PATH;
  report::Report found;
  FuzzCheck(DiscoverCapturedDevice(device, options, found).ok(), "discovery did not run");
  std::ostringstream text, json;
  WriteTextReport(found, text);
  WriteJsonReport(found, json);
  FuzzCheck(IsUtf8(text.str()) && IsUtf8(json.str()), "a report is not valid UTF-8");
  return 0;
}
