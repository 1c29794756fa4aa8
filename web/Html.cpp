#include "web/Html.h"

#include <algorithm>

#include "report/ReportText.h"

namespace web {

std::string UrlPart(std::string_view text) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : text) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
        c == '.' || c == '_' || c == '~') {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

std::string Link(const std::string& href, std::string_view text) {
  return "<a href=\"" + Escape(href) + "\">" + Escape(text) + "</a>";
}

std::string Page(std::string_view title, const std::string& body) {
  return "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
         "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n<title>" +
         Escape(title) +
         " - erx-discover</title>\n<link rel=\"stylesheet\" href=\"/static/style.css\">\n"
         "<script src=\"/static/table.js\" defer></script>\n</head>\n<body>\n"
         "<nav><a href=\"/\">Runs</a>"
         "<form action=\"/search\" method=\"get\" role=\"search\">"
         "<input type=\"search\" name=\"q\" placeholder=\"VRF, route target, interface, LSP, "
         "address, label\" aria-label=\"search\"> "
         "<button>Search</button></form></nav>\n<main>\n<h1>" +
         Escape(title) + "</h1>\n" + body + "</main>\n</body>\n</html>\n";
}

std::string Pager(const std::string& base, long long offset, long long limit, long long total) {
  std::string out = "<p class=\"pager\">";
  if (total == 0) return out + "None.</p>\n";
  const long long last = std::min(offset + limit, total);
  out += "Showing " + std::to_string(offset + 1) + "-" + std::to_string(last) + " of " +
         std::to_string(total);
  const std::string size = "limit=" + std::to_string(limit);
  if (offset > 0) {
    out += " " + Link(base + "offset=" + std::to_string(std::max(0LL, offset - limit)) + "&" + size,
                      "previous");
  }
  if (last < total) out += " " + Link(base + "offset=" + std::to_string(last) + "&" + size, "next");
  return out + "</p>\n";
}

}  // namespace web
