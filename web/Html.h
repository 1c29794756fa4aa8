// Pieces of the pages drawn by the server. Every piece of text that reaches a
// page goes through Escape (element text and quoted attribute values alike)
// and, inside a link, through UrlPart first.
//
//   out << "<td>" << web::Escape(device.name) << "</td>";
//   out << web::Link("/runs/3/devices/" + web::UrlPart(name), name);
#ifndef WEB_HTML_H_
#define WEB_HTML_H_

#include <string>
#include <string_view>

#include "network/HtmlPage.h"

namespace web {

using network::Escape;
// Percent-encodes every byte but letters, digits and - . _ ~
std::string UrlPart(std::string_view text);
// <a href="HREF">TEXT</a>, both escaped; `href` already built from UrlParts.
std::string Link(const std::string& href, std::string_view text);

// A whole page: our stylesheet and script, the navigation and search form,
// then `body` (already HTML).
std::string Page(std::string_view title, const std::string& body);

// "Showing 101-200 of 531" with links to the pages before and after;
// `base` is the page's URL with its other parameters, ending in ? or &.
std::string Pager(const std::string& base, long long offset, long long limit, long long total);

}  // namespace web

#endif  // WEB_HTML_H_
