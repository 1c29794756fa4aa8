// Which erx-discover this is: the project's version, and the git commit it was
// built from when it was built from a checkout. Reports, the results store and
// --version name it, so that a bug can be filed against what wrote a file.
//
//   version::Line("erx-discover")   // "erx-discover 1.0.0 (commit 5bdf59d6a1c2)"
#ifndef VERSION_VERSION_H_
#define VERSION_VERSION_H_

#include <string>

namespace version {

// "1.0.0", from project(... VERSION) in CMakeLists.txt.
const char* Number();

// The commit's short hash, "-dirty" appended when files tracked by git were
// changed; "" when built outside a checkout (a source archive, a package).
const char* Commit();

// "PROGRAM NUMBER", with " (commit COMMIT)" when the commit is known.
std::string Line(const std::string& program);

}  // namespace version

#endif  // VERSION_VERSION_H_
