#include "captures/CliCapture.h"

#include <cctype>
#include <cstring>
#include <optional>
#include <sstream>
#include <string_view>

namespace {

const std::string_view kPagingMark = "--More--";

struct Prompt {
  std::string host;
  std::string context;
  std::string command;
};

bool IsBlank(std::string_view text) {
  return text.find_first_not_of(" \t") == std::string_view::npos;
}

// Drops every paging mark with the blanks before it, in one pass: a mark that
// only forms once another is gone goes as well.
std::string WithoutPagingMarks(std::string_view text) {
  std::string kept;
  kept.reserve(text.size());
  for (char c : text) {
    kept += c;
    if (c != '-' || kept.size() < kPagingMark.size() ||
        kept.compare(kept.size() - kPagingMark.size(), kPagingMark.size(), kPagingMark) != 0) {
      continue;
    }
    kept.resize(kept.size() - kPagingMark.size());
    while (!kept.empty() && kept.back() == ' ') kept.pop_back();
  }
  return kept;
}

// The line as a live session hands it over, or false for a line that only held
// a paging mark. Most lines need no change and are handed back as they are;
// `scratch` holds the text of those that do.
bool Cleaned(std::string_view& text, std::string& scratch) {
  while (!text.empty() && text.back() == '\r') text.remove_suffix(1);
  const bool paged = text.find(kPagingMark) != std::string_view::npos;
  const bool overwritten = !text.empty() && (std::memchr(text.data(), '\r', text.size()) ||
                                             std::memchr(text.data(), '\b', text.size()));
  if (!paged && !overwritten) return true;
  scratch = overwritten ? AsDisplayed(text) : std::string(text);
  // Overstrikes can also spell a mark that the raw line did not hold.
  if (scratch.find(kPagingMark) != std::string::npos) scratch = WithoutPagingMarks(scratch);
  text = scratch;
  return !(paged && IsBlank(text));
}

bool IsHostChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_' || c == '.';
}

// HOST[:VR[:VRF]][(mode)]# or >, then the command.
std::optional<Prompt> ParsePrompt(std::string_view line, std::string_view host) {
  if (host.empty() || line.substr(0, host.size()) != host) return std::nullopt;
  size_t pos = host.size();
  std::string context;
  while (pos < line.size() && line[pos] == ':') {
    size_t end = line.find_first_of(":#>() \t", pos + 1);
    if (end == std::string_view::npos || end == pos + 1) return std::nullopt;
    if (!context.empty()) context += ':';
    context += line.substr(pos + 1, end - pos - 1);
    pos = end;
  }
  if (pos < line.size() && line[pos] == '(') {
    size_t close = line.find(')', pos);
    if (close == std::string_view::npos) return std::nullopt;
    pos = close + 1;
  }
  if (pos >= line.size() || (line[pos] != '#' && line[pos] != '>')) return std::nullopt;
  if (context.empty()) context = "default";
  return Prompt{std::string(host), context, CollapsedCommand(std::string(line.substr(pos + 1)))};
}

std::optional<Prompt> LearnPrompt(std::string_view line) {
  size_t end = 0;
  while (end < line.size() && IsHostChar(line[end])) ++end;
  return end ? ParsePrompt(line, line.substr(0, end)) : std::nullopt;
}

}  // namespace

std::string AsDisplayed(std::string_view raw) {
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

std::string CollapsedCommand(const std::string& command) {
  std::istringstream words(command);
  std::string word, collapsed;
  while (words >> word) collapsed += (collapsed.empty() ? "" : " ") + word;
  return collapsed;
}

const std::string* CliCapture::Reply(const std::string& context, const std::string& command) const {
  auto it = replies.find({context, CollapsedCommand(command)});
  return it == replies.end() ? nullptr : &it->second;
}

CliCapture ParseCliLog(const std::string& log) {
  CliCapture capture;
  std::optional<std::pair<std::string, std::string>> open;  // (context, command)
  // One buffer collects every reply, and each is kept as an exact copy of it:
  // a reply grown in place would keep up to twice its size for the whole run.
  std::string output;
  auto close = [&] {
    if (open) capture.replies.emplace(std::move(*open), output);
    open.reset();
    output.clear();
  };
  std::string scratch;
  for (size_t start = 0; start < log.size();) {
    const size_t newline = log.find('\n', start);
    const bool terminated = newline != std::string::npos;
    const size_t end = terminated ? newline : log.size();
    std::string_view text(log.data() + start, end - start);
    start = end + 1;
    if (!Cleaned(text, scratch)) continue;
    std::optional<Prompt> prompt =
        capture.host.empty() ? LearnPrompt(text) : ParsePrompt(text, capture.host);
    if (prompt) {
      close();
      capture.host = prompt->host;
      capture.contexts.insert(prompt->context);
      if (!prompt->command.empty()) open = std::make_pair(prompt->context, prompt->command);
    } else if (open) {
      output += text;
      if (terminated) output += '\n';
    }
  }
  close();
  return capture;
}
