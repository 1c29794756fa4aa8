#include "simulator/SshAuthorizedKeys.h"

#include <libssh/libssh.h>

#include <fstream>

namespace {

// The line's words; a quoted option value ("command=\"a b\"") stays one word.
std::vector<std::string> Words(const std::string& line) {
  std::vector<std::string> words;
  std::string word;
  bool quoted = false, escaped = false;
  for (const char c : line) {
    if (c == '"' && !escaped) quoted = !quoted;
    escaped = quoted && c == '\\' && !escaped;
    if (!quoted && (c == ' ' || c == '\t' || c == '\r')) {
      if (!word.empty()) words.push_back(word);
      word.clear();
    } else {
      word += c;
    }
  }
  if (!word.empty()) words.push_back(word);
  return words;
}

}  // namespace

SshAuthorizedKeys::~SshAuthorizedKeys() {
  for (ssh_key key : keys_) ssh_key_free(key);
}

Status SshAuthorizedKeys::Load(const std::string& file) {
  std::ifstream in(file);
  if (!in) {
    return Status::Failure("cannot read the authorized keys " + file);
  }
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    const std::vector<std::string> words = Words(line);
    if (words.empty() || words[0][0] == '#') continue;
    // The key type is the first word or, after the options, the second.
    const size_t at =
        ssh_key_type_from_name(words[0].c_str()) == SSH_KEYTYPE_UNKNOWN && words.size() > 1 ? 1 : 0;
    const ssh_keytypes_e type = ssh_key_type_from_name(words[at].c_str());
    ssh_key key = nullptr;
    if (type == SSH_KEYTYPE_UNKNOWN || at + 1 >= words.size() ||
        ssh_pki_import_pubkey_base64(words[at + 1].c_str(), type, &key) != SSH_OK) {
      return Status::Failure(file + ":" + std::to_string(number) +
                             ": not a public key this server can use");
    }
    keys_.push_back(key);
  }
  return Status();
}

bool SshAuthorizedKeys::Allows(ssh_key offered) const {
  if (!offered) return false;
  for (ssh_key key : keys_) {
    if (ssh_key_cmp(key, offered, SSH_KEY_CMP_PUBLIC) == 0) return true;
  }
  return false;
}
