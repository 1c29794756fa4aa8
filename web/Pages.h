// The HTML pages, each drawn from the answer its /api/ twin sends as JSON.
#ifndef WEB_PAGES_H_
#define WEB_PAGES_H_

#include <string>

#include "web/Answers.h"

namespace web {

std::string RunsPage(const Answer& answer);
std::string RunPage(const Answer& answer);
std::string DevicePage(const Answer& answer);
std::string SearchPage(const Answer& answer);
std::string PathsPage(const Answer& answer, const Query& query);
std::string VpnsPage(const Answer& answer, const Query& query);
// device=NAME: only that device's changes.
std::string DiffPage(const Answer& answer, const Query& query);
// A page that says why there is nothing to show (404, 400, 500).
std::string ProblemPage(int status, const std::string& message);

}  // namespace web

#endif  // WEB_PAGES_H_
