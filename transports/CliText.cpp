#include "transports/CliText.h"

#include <string.h>

#include <algorithm>
#include <cctype>
#include <string_view>

#include "captures/CliCapture.h"

namespace {

const char kPageMark[] = "--More--";
// Longer than any prompt or login question, however noisy.
const size_t kLongestLastLine = 512;

bool IsHostChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_' || c == '.';
}

bool IsBlank(const std::string& text) { return text.find_first_not_of(" \t") == std::string::npos; }

// One line as shown, or false for a line that only held a page mark.
bool CleanLine(std::string& line) {
  while (!line.empty() && line.back() == '\r') line.pop_back();
  const bool paged = line.find(kPageMark) != std::string::npos;
  if (line.find_first_of("\r\b") != std::string::npos) line = AsDisplayed(line);
  for (size_t mark; (mark = line.find(kPageMark)) != std::string::npos;) {
    size_t from = mark;
    while (from > 0 && line[from - 1] == ' ') --from;
    line.erase(from, mark + sizeof kPageMark - 1 - from);
  }
  return !(paged && IsBlank(line));
}

}  // namespace

std::optional<CliPrompt> ParseCliPrompt(const std::string& line, const std::string& host) {
  size_t pos = 0;
  while (pos < line.size() && IsHostChar(line[pos])) ++pos;
  if (pos == 0 || (!host.empty() && line.compare(0, pos, host) != 0) ||
      (!host.empty() && pos != host.size())) {
    return std::nullopt;
  }
  CliPrompt prompt;
  prompt.host = line.substr(0, pos);
  while (pos < line.size() && line[pos] == ':') {
    const size_t end = line.find_first_of(":#>() \t", pos + 1);
    if (end == std::string::npos || end == pos + 1) return std::nullopt;
    prompt.context += (prompt.context.empty() ? "" : ":") + line.substr(pos + 1, end - pos - 1);
    pos = end;
  }
  if (pos < line.size() && line[pos] == '(') {
    const size_t close = line.find(')', pos);
    if (close == std::string::npos) return std::nullopt;
    pos = close + 1;
  }
  if (pos >= line.size() || (line[pos] != '#' && line[pos] != '>')) return std::nullopt;
  prompt.mark = line[pos++];
  if (pos < line.size() && line[pos] == ' ') ++pos;
  if (pos != line.size()) return std::nullopt;
  if (prompt.context.empty()) prompt.context = "default";
  return prompt;
}

std::string LastLine(const std::string& received) {
  // Only the tail is searched, so that a reply that grows by one endless line
  // is not scanned again from its start with every piece that arrives.
  const size_t tail = std::min(received.size(), kLongestLastLine + 1);
  const char* from =
      static_cast<const char*>(memrchr(received.data() + received.size() - tail, '\n', tail));
  size_t start = 0;
  if (from) {
    start = static_cast<size_t>(from - received.data()) + 1;
  } else if (tail < received.size()) {
    return std::string();
  }
  std::string line;
  for (size_t i = start; i < received.size(); ++i) {
    if (received[i] != '\r' && received[i] != '\0') line += received[i];
  }
  if (!line.empty() && line.back() == ' ') line.pop_back();
  return line;
}

std::string CleanCliText(std::string text) {
  text.erase(std::remove(text.begin(), text.end(), '\0'), text.end());
  // Lines are cleaned in place, front to back: a clean line is never longer
  // than its raw text, so it never overwrites what is still to be read, and a
  // reply of hundreds of megabytes is not copied line by line.
  size_t kept = 0;
  std::string line;
  for (size_t start = 0; start < text.size();) {
    size_t end = text.find('\n', start);
    const bool terminated = end != std::string::npos;
    if (!terminated) end = text.size();
    size_t length = end - start;
    while (length > 0 && text[start + length - 1] == '\r') --length;
    const char* raw = text.data() + start;
    const bool plain = !memchr(raw, '\r', length) && !memchr(raw, '\b', length) &&
                       std::string_view(raw, length).find(kPageMark) == std::string_view::npos;
    if (plain) {
      if (kept != start) memmove(&text[kept], raw, length);  // kept <= start: moved left
      kept += length;
      if (terminated) text[kept++] = '\n';
    } else {
      line.assign(raw, length);
      if (CleanLine(line)) {
        memcpy(&text[kept], line.data(), line.size());
        kept += line.size();
        if (terminated) text[kept++] = '\n';
      }
    }
    start = end + 1;
  }
  text.resize(kept);
  return text;
}

bool IsCliError(const std::string& reply) {
  bool rejected = false;
  size_t start = 0;
  while (start < reply.size()) {
    size_t end = reply.find('\n', start);
    if (end == std::string::npos) end = reply.size();
    const std::string line = reply.substr(start, end - start);
    start = end + 1;
    const size_t first = line.find_first_not_of(" \t");
    if (first == std::string::npos) continue;
    if (line[first] == '%') {
      rejected = true;
    } else if (line.find_first_not_of(" \t^") != std::string::npos) {
      return false;
    }
  }
  return rejected;
}
