#include "simulator/SnmpPdu.h"

#include <cstdlib>

namespace {

constexpr uint8_t kInteger = 0x02, kObjectId = 0x06, kSequence = 0x30;

// Reads one tag-length-value at a time; every read checks what is left.
class Reader {
 public:
  explicit Reader(std::string_view bytes) : bytes_(bytes) {}
  bool Done() const { return bytes_.empty(); }

  bool Next(uint8_t& tag, std::string_view& content) {
    if (bytes_.size() < 2) return false;
    tag = static_cast<uint8_t>(bytes_[0]);
    size_t length = static_cast<uint8_t>(bytes_[1]);
    size_t header = 2;
    if (length & 0x80) {
      const size_t octets = length & 0x7f;
      // No indefinite form in SNMP, and nothing near 4 GiB fits a datagram.
      if (octets == 0 || octets > 4 || bytes_.size() < header + octets) return false;
      length = 0;
      for (size_t i = 0; i < octets; ++i) {
        length = length << 8 | static_cast<uint8_t>(bytes_[header + i]);
      }
      header += octets;
    }
    if (bytes_.size() - header < length) return false;
    content = bytes_.substr(header, length);
    bytes_.remove_prefix(header + length);
    return true;
  }

  bool Expect(uint8_t wanted, std::string_view& content) {
    uint8_t tag = 0;
    return Next(tag, content) && tag == wanted;
  }

  bool Integer(int64_t& value) {
    std::string_view content;
    if (!Expect(kInteger, content) || content.empty() || content.size() > 8) return false;
    uint64_t bits = static_cast<uint8_t>(content[0]) & 0x80 ? ~uint64_t{0} : 0;
    for (char byte : content) bits = bits << 8 | static_cast<uint8_t>(byte);
    value = static_cast<int64_t>(bits);
    return true;
  }

 private:
  std::string_view bytes_;
};

bool DecodeOid(std::string_view content, SnmpOid& oid) {
  oid.clear();
  uint64_t arc = 0;
  for (size_t i = 0; i < content.size(); ++i) {
    arc = arc << 7 | (static_cast<uint8_t>(content[i]) & 0x7f);
    if (arc > 0xffffffffULL) return false;
    if (static_cast<uint8_t>(content[i]) & 0x80) {
      if (i + 1 == content.size()) return false;
      continue;
    }
    if (oid.empty()) {
      const uint32_t first = arc < 40 ? 0 : arc < 80 ? 1 : 2;
      oid.push_back(first);
      oid.push_back(static_cast<uint32_t>(arc - 40U * uint64_t{first}));
    } else {
      oid.push_back(static_cast<uint32_t>(arc));
    }
    arc = 0;
  }
  return !oid.empty();
}

void AppendTlv(std::string& out, uint8_t tag, const std::string& content) {
  out += static_cast<char>(tag);
  const size_t length = content.size();
  if (length < 0x80) {
    out += static_cast<char>(length);
  } else {
    int octets = 0;
    for (size_t rest = length; rest; rest >>= 8) ++octets;
    out += static_cast<char>(0x80 | octets);
    for (int i = octets - 1; i >= 0; --i) out += static_cast<char>(length >> (8 * i) & 0xff);
  }
  out += content;
}

std::string EncodeInteger(int64_t value) {
  std::string bytes;
  // The fewest octets whose first bit still gives the sign.
  int octets = 8;
  while (octets > 1) {
    const int64_t top = value >> (8 * (octets - 1) - 1);
    if (top != 0 && top != -1) break;
    --octets;
  }
  for (int i = octets - 1; i >= 0; --i) bytes += static_cast<char>(value >> (8 * i) & 0xff);
  return bytes;
}

void AppendBase128(std::string& out, uint64_t arc) {
  std::string bytes(1, static_cast<char>(arc & 0x7f));
  for (arc >>= 7; arc; arc >>= 7) {
    bytes.insert(bytes.begin(), static_cast<char>(0x80 | (arc & 0x7f)));
  }
  out += bytes;
}

std::string EncodeOid(const SnmpOid& oid) {
  std::string bytes;
  if (oid.empty()) return bytes;
  AppendBase128(bytes, uint64_t{oid[0]} * 40 + (oid.size() > 1 ? oid[1] : 0));
  for (size_t i = 2; i < oid.size(); ++i) AppendBase128(bytes, oid[i]);
  return bytes;
}

}  // namespace

bool ReadSnmpMessage(std::string_view datagram, SnmpMessage& message) {
  Reader outer(datagram);
  std::string_view body, community, pdu, list;
  if (!outer.Expect(kSequence, body) || !outer.Done()) return false;
  Reader fields(body);
  if (!fields.Integer(message.version) || (message.version != 0 && message.version != 1) ||
      !fields.Expect(SnmpMessage::kOctetString, community) || !fields.Next(message.pduType, pdu) ||
      !fields.Done()) {
    return false;
  }
  message.community.assign(community);
  // Every PDU but the SNMPv1 trap has this shape.
  Reader header(pdu);
  if ((message.pduType & 0xe0) != 0xa0 || message.pduType == 0xA4 ||
      !header.Integer(message.requestId) || !header.Integer(message.errorStatus) ||
      !header.Integer(message.errorIndex) || !header.Expect(kSequence, list) || !header.Done()) {
    return false;
  }
  message.varBinds.clear();
  for (Reader items(list); !items.Done();) {
    std::string_view item, name, value;
    SnmpVarBind bind;
    if (!items.Expect(kSequence, item)) return false;
    Reader parts(item);
    if (!parts.Expect(kObjectId, name) || !DecodeOid(name, bind.name) ||
        !parts.Next(bind.type, value) || !parts.Done()) {
      return false;
    }
    bind.value.assign(value);
    message.varBinds.push_back(std::move(bind));
  }
  return true;
}

std::string WriteSnmpMessage(const SnmpMessage& message) {
  std::string list;
  for (const SnmpVarBind& bind : message.varBinds) {
    std::string item;
    AppendTlv(item, kObjectId, EncodeOid(bind.name));
    AppendTlv(item, bind.type, bind.value);
    AppendTlv(list, kSequence, item);
  }
  std::string pdu;
  AppendTlv(pdu, kInteger, EncodeInteger(message.requestId));
  AppendTlv(pdu, kInteger, EncodeInteger(message.errorStatus));
  AppendTlv(pdu, kInteger, EncodeInteger(message.errorIndex));
  AppendTlv(pdu, kSequence, list);
  std::string body;
  AppendTlv(body, kInteger, EncodeInteger(message.version));
  AppendTlv(body, SnmpMessage::kOctetString, message.community);
  AppendTlv(body, message.pduType, pdu);
  std::string out;
  AppendTlv(out, kSequence, body);
  return out;
}

bool ParseSnmpOid(const std::string& text, SnmpOid& oid) {
  oid.clear();
  size_t at = !text.empty() && text[0] == '.' ? 1 : 0;
  while (at < text.size()) {
    if (text[at] < '0' || text[at] > '9') return false;
    char* end = nullptr;
    const unsigned long arc = std::strtoul(text.c_str() + at, &end, 10);
    if (arc > 0xffffffffUL) return false;
    oid.push_back(static_cast<uint32_t>(arc));
    at = static_cast<size_t>(end - text.c_str());
    if (at < text.size() && (text[at] != '.' || at + 1 == text.size())) return false;
    ++at;
  }
  return oid.size() >= 2;
}
