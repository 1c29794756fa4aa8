// What every report must be, checked on a writer's output independently of
// the writers' own code.
#ifndef FUZZ_SUPPORT_TEXTCHECKS_H_
#define FUZZ_SUPPORT_TEXTCHECKS_H_

#include <string_view>

// Valid UTF-8: no stray continuation byte, no cut or overlong sequence, no
// surrogate, nothing past U+10FFFF.
bool IsUtf8(std::string_view text);

// Holds a control character (C0, DEL or C1) other than tab and line end.
bool HasControlCharacter(std::string_view utf8);

#endif  // FUZZ_SUPPORT_TEXTCHECKS_H_
