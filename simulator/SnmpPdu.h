// SNMPv1/v2c messages as BER bytes: what the relay in front of snmpsim reads
// to check and swap communities and to answer some requests itself. Values are
// kept as their type and content bytes, so that a message read and written
// again is the same datagram.
//
//   SnmpMessage message;
//   if (ReadSnmpMessage(datagram, message)) {
//     message.community = "other";
//     datagram = WriteSnmpMessage(message);
//   }
#ifndef SIMULATOR_SNMPPDU_H_
#define SIMULATOR_SNMPPDU_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

using SnmpOid = std::vector<uint32_t>;

struct SnmpVarBind {
  SnmpOid name;
  uint8_t type = 0x05;  // NULL, as in a request
  std::string value;    // the content bytes, as encoded
};

struct SnmpMessage {
  static constexpr uint8_t kGetNext = 0xA1, kResponse = 0xA2, kGetBulk = 0xA5;
  static constexpr uint8_t kOctetString = 0x04, kEndOfMibView = 0x82;

  int64_t version = 1;  // 0: SNMPv1, 1: SNMPv2c
  std::string community;
  uint8_t pduType = kGetNext;
  int64_t requestId = 0;
  int64_t errorStatus = 0;  // GETBULK: non-repeaters
  int64_t errorIndex = 0;   // GETBULK: max-repetitions
  std::vector<SnmpVarBind> varBinds;
};

// False for anything but a whole community-based message of the usual PDU
// shape (an SNMPv3 message, an SNMPv1 trap, truncated or trailing bytes).
bool ReadSnmpMessage(std::string_view datagram, SnmpMessage& message);
std::string WriteSnmpMessage(const SnmpMessage& message);

// "1.3.6.1.2.1.2.2.1.2" or with a leading dot; false for anything else.
bool ParseSnmpOid(const std::string& text, SnmpOid& oid);

#endif  // SIMULATOR_SNMPPDU_H_
