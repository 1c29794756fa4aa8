#include "CliCapture.h"

#include <cctype>
#include <optional>
#include <sstream>
#include <vector>

namespace {

const char kPagingMark[] = "--More--";

struct Line {
  std::string text;
  bool terminated;  // followed by a newline in the log
};

struct Prompt {
  std::string host;
  std::string context;
  std::string command;
};

std::vector<Line> SplitLines(const std::string& log) {
  std::vector<Line> lines;
  size_t start = 0;
  while (start < log.size()) {
    size_t end = log.find('\n', start);
    if (end == std::string::npos) {
      lines.push_back({log.substr(start), false});
      break;
    }
    lines.push_back({log.substr(start, end - start), true});
    start = end + 1;
  }
  return lines;
}

bool IsBlank(const std::string& text) {
  return text.find_first_not_of(" \t") == std::string::npos;
}

// What the terminal showed: carriage returns move to the line's start and
// backspaces one column left, later characters overwrite earlier ones.
std::string AsDisplayed(const std::string& raw) {
  std::string shown;
  size_t cursor = 0;
  for (char c : raw) {
    if (c == '\r') {
      cursor = 0;
    } else if (c == '\b') {
      if (cursor > 0) --cursor;
    } else {
      if (cursor < shown.size()) {
        shown[cursor] = c;
      } else {
        shown += c;
      }
      ++cursor;
    }
  }
  // Blanks that erased a paging mark are not output.
  size_t end = shown.find_last_not_of(" \t");
  shown.erase(end == std::string::npos ? 0 : end + 1);
  return shown;
}

// The line as a live session hands it over, or nothing for a line that only
// held a paging mark.
std::optional<std::string> Cleaned(std::string text) {
  while (!text.empty() && text.back() == '\r') text.pop_back();
  const bool paged = text.find(kPagingMark) != std::string::npos;
  if (text.find_first_of("\r\b") != std::string::npos) text = AsDisplayed(text);
  for (size_t mark; (mark = text.find(kPagingMark)) != std::string::npos;) {
    size_t from = mark;
    while (from > 0 && text[from - 1] == ' ') --from;
    text.erase(from, mark + sizeof kPagingMark - 1 - from);
  }
  if (paged && IsBlank(text)) return std::nullopt;
  return text;
}

bool IsHostChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_' || c == '.';
}

// HOST[:VR[:VRF]][(mode)]# or >, then the command.
std::optional<Prompt> ParsePrompt(const std::string& line, const std::string& host) {
  if (host.empty() || line.compare(0, host.size(), host) != 0) return std::nullopt;
  size_t pos = host.size();
  std::string context;
  while (pos < line.size() && line[pos] == ':') {
    size_t end = line.find_first_of(":#>() \t", pos + 1);
    if (end == std::string::npos || end == pos + 1) return std::nullopt;
    context += (context.empty() ? "" : ":") + line.substr(pos + 1, end - pos - 1);
    pos = end;
  }
  if (pos < line.size() && line[pos] == '(') {
    size_t close = line.find(')', pos);
    if (close == std::string::npos) return std::nullopt;
    pos = close + 1;
  }
  if (pos >= line.size() || (line[pos] != '#' && line[pos] != '>')) return std::nullopt;
  if (context.empty()) context = "default";
  return Prompt{host, context, CollapsedCommand(line.substr(pos + 1))};
}

std::optional<Prompt> LearnPrompt(const std::string& line) {
  size_t end = 0;
  while (end < line.size() && IsHostChar(line[end])) ++end;
  return end ? ParsePrompt(line, line.substr(0, end)) : std::nullopt;
}

}  // namespace

std::string CollapsedCommand(const std::string& command) {
  std::istringstream words(command);
  std::string word, collapsed;
  while (words >> word) collapsed += (collapsed.empty() ? "" : " ") + word;
  return collapsed;
}

const std::string* CliCapture::Reply(const std::string& context,
                                     const std::string& command) const {
  auto it = replies.find({context, CollapsedCommand(command)});
  return it == replies.end() ? nullptr : &it->second;
}

CliCapture ParseCliLog(const std::string& log) {
  CliCapture capture;
  std::optional<std::pair<std::string, std::string>> open;  // (context, command)
  std::string output;
  auto close = [&] {
    if (open) capture.replies.emplace(*open, output);
    open.reset();
    output.clear();
  };
  for (const Line& raw : SplitLines(log)) {
    std::optional<std::string> text = Cleaned(raw.text);
    if (!text) continue;
    std::optional<Prompt> prompt =
        capture.host.empty() ? LearnPrompt(*text) : ParsePrompt(*text, capture.host);
    if (prompt) {
      close();
      capture.host = prompt->host;
      capture.contexts.insert(prompt->context);
      if (!prompt->command.empty()) open = std::make_pair(prompt->context, prompt->command);
    } else if (open) {
      output += *text;
      if (raw.terminated) output += '\n';
    }
  }
  close();
  return capture;
}
