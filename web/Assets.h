// The stylesheet and the one script of the pages, served by the server
// itself: a page fetches nothing from anywhere else.
#ifndef WEB_ASSETS_H_
#define WEB_ASSETS_H_

namespace web {

extern const char kStyleSheet[];  // /static/style.css
// /static/table.js: sorts a table.sortable by the heading clicked, and hides
// the rows that do not hold the text of an input.filter.
extern const char kTableScript[];

}  // namespace web

#endif  // WEB_ASSETS_H_
