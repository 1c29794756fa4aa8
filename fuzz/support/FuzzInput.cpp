#include "fuzz/support/FuzzInput.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <streambuf>

std::vector<std::string> SplitInput(const std::uint8_t* data, std::size_t size,
                                    std::size_t maxParts) {
  const char* text = reinterpret_cast<const char*>(data);
  std::vector<std::string> parts(1);
  for (std::size_t i = 0; i < size; ++i) {
    if (text[i] == '\0' && parts.size() < maxParts) {
      parts.emplace_back();
    } else {
      parts.back() += text[i];
    }
  }
  return parts;
}

void FuzzCheck(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "fuzz check failed: %s\n", what);
  std::abort();
}

namespace {

class NullBuffer : public std::streambuf {
 protected:
  int overflow(int c) override { return traits_type::not_eof(c); }
  std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

}  // namespace

void SilenceStandardOutput() {
  // Never destroyed: std::cout is flushed after every static object is gone.
  static NullBuffer* const nowhere = new NullBuffer;
  std::cout.rdbuf(nowhere);
}
