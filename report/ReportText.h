// Text from the router as a report writes it. Whatever bytes the router sent,
// a report is valid UTF-8: valid UTF-8 passes unchanged, and each byte that is
// not part of a valid sequence stands for the Latin-1 character of that byte
// (0xE9 is written as "é"), so nothing is dropped and an operator's Latin-1
// terminal still reads right.
//
//   std::string out;
//   AppendValidUtf8(out, "to-p\xE9" "2");   // out == "to-p\u00e92"
//   AppendReadable(out, "a\nb\x01");        // out == "a\\nb\\x01"
#ifndef REPORT_REPORTTEXT_H_
#define REPORT_REPORTTEXT_H_

#include <cstddef>
#include <string>
#include <string_view>

bool IsValidUtf8(std::string_view bytes);
// Appends `bytes` to `out` as valid UTF-8.
void AppendValidUtf8(std::string& out, std::string_view bytes);
std::string ValidUtf8(std::string_view bytes);

// As AppendValidUtf8, with every control character but tab escaped so that a
// value stays on its line of a table: "\n", "\r", and "\xHH" for the others
// (C0, DEL and the C1 controls U+0080 to U+009F).
void AppendReadable(std::string& out, std::string_view bytes);

// The number of characters of valid UTF-8 text, as a terminal lays it out.
size_t CharacterCount(std::string_view utf8);

#endif  // REPORT_REPORTTEXT_H_
