// Where erx-discover finds what ships with it. An installed program looks
// beside its own file (/proc/self/exe), so that an install that was moved or
// unpacked elsewhere still works:
//
//   PREFIX/bin/erx-discover
//   PREFIX/lib/erx-discover/libAgentUnisphereMPLSTelnet.so   (and the host's library)
//   PREFIX/share/erx-discover/devices/pe1-erx
//
// A program of the build tree finds nothing there and keeps the paths the
// build gave it.
#ifndef APPS_INSTALLEDPATHS_H_
#define APPS_INSTALLEDPATHS_H_

#include <filesystem>
#include <string>
#include <system_error>

// PREFIX/RELATIVE when the running program is PREFIX/bin/NAME and that
// exists, else `buildTree`.
inline std::string InstalledOr(const std::string& relative, const std::string& buildTree) {
  std::error_code error;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error || program.parent_path().filename() != "bin") return buildTree;
  const std::filesystem::path installed = program.parent_path().parent_path() / relative;
  return std::filesystem::exists(installed, error) ? installed.string() : buildTree;
}

#endif  // APPS_INSTALLEDPATHS_H_
