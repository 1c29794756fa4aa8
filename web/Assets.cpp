#include "web/Assets.h"

namespace web {

const char kStyleSheet[] = R"(body{font-family:sans-serif;margin:0;color:#222;background:#fff}
nav{display:flex;gap:1em;align-items:center;padding:.5em 2em;background:#24425e}
nav a{color:#fff;font-weight:bold;text-decoration:none}
nav form{margin-left:auto}nav input{width:24em}
main{margin:1em 2em 3em}
h1{font-size:1.5em}h2{font-size:1.2em;margin-top:1.5em}
table{border-collapse:collapse;margin:.5em 0}
td,th{border:1px solid #ccc;padding:2px 8px;text-align:left;vertical-align:top}
th{background:#eef2f6}
table.sortable th{cursor:pointer}
th.up::after{content:" \25B2"}th.down::after{content:" \25BC"}
td.n{text-align:right;white-space:nowrap}td.t{white-space:nowrap}
.bad,.status.failed,.status.crashed,.status.timeout,.end.broken{color:#c62828;font-weight:bold}
.status.partial,.end.loop{color:#b35c00;font-weight:bold}
.end.leaves{color:#1f5fbf}
pre{background:#f6f6f6;padding:8px;overflow:auto;white-space:pre-wrap}
figure{margin:1em 0;overflow:auto;border:1px solid #ddd}
figure img{max-width:100%;height:auto;display:block}
.pager a{margin-left:.5em}
input.filter{width:20em}
@media print{nav,form,input.filter,.pager{display:none}main{margin:0}
a{color:inherit;text-decoration:none}}
)";

const char kTableScript[] = R"(// Sorting and filtering of the tables drawn by the server.
"use strict";
function cellValue(row, column) {
  const text = row.cells[column] ? row.cells[column].textContent.trim() : "";
  const number = Number(text);
  return text !== "" && !isNaN(number) ? number : text.toLowerCase();
}
function sortBy(table, heading, column) {
  const body = table.tBodies[0];
  const up = !heading.classList.contains("up");
  for (const th of table.tHead.rows[0].cells) th.classList.remove("up", "down");
  heading.classList.add(up ? "up" : "down");
  const rows = Array.from(body.rows);
  rows.sort(function (a, b) {
    const x = cellValue(a, column), y = cellValue(b, column);
    if (typeof x === typeof y) return (x < y ? -1 : x > y ? 1 : 0) * (up ? 1 : -1);
    return (typeof x === "number" ? -1 : 1) * (up ? 1 : -1);
  });
  for (const row of rows) body.appendChild(row);
}
document.addEventListener("DOMContentLoaded", function () {
  for (const table of document.querySelectorAll("table.sortable")) {
    Array.from(table.tHead.rows[0].cells).forEach(function (heading, column) {
      heading.addEventListener("click", function () { sortBy(table, heading, column); });
    });
  }
  for (const input of document.querySelectorAll("input.filter")) {
    const table = document.getElementById(input.dataset.table);
    if (!table) continue;
    input.addEventListener("input", function () {
      const words = input.value.trim().toLowerCase();
      for (const row of table.tBodies[0].rows) {
        row.hidden = words !== "" && !row.textContent.toLowerCase().includes(words);
      }
    });
  }
});
)";

}  // namespace web
