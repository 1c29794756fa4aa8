// The simulator's SNMP messages against the real thing: requests as net-snmp
// sends them are read and written back byte for byte, answers it writes are
// read by net-snmp, and anything it cannot read whole is left alone.
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "simulator/EndlessTable.h"
#include "simulator/Faults.h"
#include "simulator/SnmpPdu.h"
#include "transports/SnmpWalker.h"

using namespace testing;

namespace {

const char kIfDescr[] = ".1.3.6.1.2.1.2.2.1.2";

SnmpOid Oid(const std::string& text) {
  SnmpOid oid;
  EXPECT_TRUE(ParseSnmpOid(text, oid)) << text;
  return oid;
}

// A UDP socket on 127.0.0.1 that plays the agent.
class FakeAgent {
 public:
  FakeAgent() {
    fd_ = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof at;
    if (bind(fd_, reinterpret_cast<sockaddr*>(&at), size) == 0 &&
        getsockname(fd_, reinterpret_cast<sockaddr*>(&at), &size) == 0) {
      port_ = ntohs(at.sin_port);
    }
  }
  ~FakeAgent() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    close(fd_);
  }

  SnmpSettings Settings() const {
    SnmpSettings settings;
    settings.port = port_;
    settings.limits.timeoutMs = 200;
    settings.limits.retries = 0;
    return settings;
  }

  // What reached it so far, each datagram whole.
  std::vector<std::string> Received() {
    std::vector<std::string> datagrams;
    char buffer[65536];
    pollfd wait{fd_, POLLIN, 0};
    while (poll(&wait, 1, 0) > 0) {
      const ssize_t got = recv(fd_, buffer, sizeof buffer, 0);
      if (got <= 0) break;
      datagrams.emplace_back(buffer, static_cast<size_t>(got));
    }
    return datagrams;
  }

  // Answers what the endless table answers, until destroyed.
  void Serve(const EndlessTable& table) {
    thread_ = std::thread([this, table] {
      std::vector<char> buffer(65536);
      while (!stop_) {
        pollfd wait{fd_, POLLIN, 0};
        if (poll(&wait, 1, 50) <= 0) continue;
        sockaddr_in from{};
        socklen_t size = sizeof from;
        const ssize_t got = recvfrom(fd_, buffer.data(), buffer.size(), 0,
                                     reinterpret_cast<sockaddr*>(&from), &size);
        SnmpMessage request, answer;
        const std::string datagram(buffer.data(), got > 0 ? static_cast<size_t>(got) : 0);
        if (!ReadSnmpMessage(datagram, request) ||
            !AnswerFromEndlessTable(table, request, answer)) {
          continue;
        }
        const std::string reply = WriteSnmpMessage(answer);
        sendto(fd_, reply.data(), reply.size(), 0, reinterpret_cast<sockaddr*>(&from), size);
      }
    });
  }

 private:
  int fd_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

// The first datagram a walk of `column` in `context` sends.
std::string RequestOf(SnmpSettings settings, const std::string& context,
                      const std::string& column) {
  FakeAgent agent;
  settings.port = agent.Settings().port;
  settings.limits.timeoutMs = 100;
  settings.limits.retries = 0;
  SnmpWalker(settings).Walk(context, column);
  const std::vector<std::string> sent = agent.Received();
  return sent.empty() ? "" : sent[0];
}

TEST(SnmpPdu, ReadsAndWritesAGetBulkAsNetSnmpSendsIt) {
  SnmpSettings settings;
  settings.community = "cm-Rv55z";
  const std::string datagram = RequestOf(settings, "@vr1:red", kIfDescr);
  ASSERT_FALSE(datagram.empty());

  SnmpMessage message;
  ASSERT_TRUE(ReadSnmpMessage(datagram, message));
  EXPECT_EQ(message.version, 1);
  EXPECT_EQ(message.community, "cm-Rv55z@vr1:red");
  EXPECT_EQ(message.pduType, SnmpMessage::kGetBulk);
  EXPECT_EQ(message.errorStatus, 0);  // non-repeaters
  EXPECT_EQ(message.errorIndex, 25);  // max-repetitions
  ASSERT_EQ(message.varBinds.size(), 1u);
  EXPECT_EQ(message.varBinds[0].name, Oid(kIfDescr));
  EXPECT_EQ(message.varBinds[0].type, 0x05);
  EXPECT_EQ(WriteSnmpMessage(message), datagram);

  // Another community makes another message that still reads.
  message.community = std::string(300, 'c');
  SnmpMessage again;
  ASSERT_TRUE(ReadSnmpMessage(WriteSnmpMessage(message), again));
  EXPECT_EQ(again.community, message.community);
  EXPECT_EQ(again.requestId, message.requestId);
}

TEST(SnmpPdu, LeavesAloneWhatItCannotReadWhole) {
  SnmpSettings settings;
  const std::string datagram = RequestOf(settings, "", kIfDescr);
  ASSERT_FALSE(datagram.empty());
  SnmpMessage message;
  for (size_t size = 0; size < datagram.size(); ++size) {
    EXPECT_FALSE(ReadSnmpMessage(datagram.substr(0, size), message)) << size;
  }
  EXPECT_FALSE(ReadSnmpMessage(datagram + '\0', message));
  EXPECT_FALSE(ReadSnmpMessage("garbage that is no message", message));
  const std::string indefinite("\x30\x80\x02\x01\x01", 5);
  EXPECT_FALSE(ReadSnmpMessage(indefinite, message));
  std::string noisy = datagram;
  noisy[noisy.size() - 3] = '\xff';  // the OID's last arc: one that never ends
  EXPECT_FALSE(ReadSnmpMessage(noisy, message));

  settings.v3 = true;
  settings.v3User.name = "admin";
  const std::string v3 = RequestOf(settings, "", kIfDescr);
  ASSERT_FALSE(v3.empty());
  EXPECT_FALSE(ReadSnmpMessage(v3, message));  // for the agent behind to judge
}

TEST(SnmpPdu, WritesLongValuesBigArcsAndNegativeNumbersThatReadBack) {
  SnmpMessage message;
  message.pduType = SnmpMessage::kResponse;
  message.requestId = -2147483647;
  message.errorStatus = 128;
  for (const size_t size : {0, 127, 128, 255, 256, 70000}) {
    SnmpVarBind bind;
    bind.name = {1, 3, 6, 1, 4, 1, 4294967295u, static_cast<uint32_t>(size)};
    bind.type = SnmpMessage::kOctetString;
    bind.value = std::string(size, 'v');
    message.varBinds.push_back(bind);
  }
  SnmpMessage read;
  ASSERT_TRUE(ReadSnmpMessage(WriteSnmpMessage(message), read));
  EXPECT_EQ(read.requestId, message.requestId);
  EXPECT_EQ(read.errorStatus, 128);
  ASSERT_EQ(read.varBinds.size(), message.varBinds.size());
  for (size_t i = 0; i < read.varBinds.size(); ++i) {
    EXPECT_EQ(read.varBinds[i].name, message.varBinds[i].name);
    EXPECT_EQ(read.varBinds[i].value, message.varBinds[i].value);
  }
}

TEST(SnmpPdu, ParsesOidsWithOrWithoutTheLeadingDot) {
  EXPECT_EQ(Oid(".1.3.6.1.2.1.2.2.1.2"), (SnmpOid{1, 3, 6, 1, 2, 1, 2, 2, 1, 2}));
  EXPECT_EQ(Oid("1.3.6"), (SnmpOid{1, 3, 6}));
  SnmpOid oid;
  for (const char* bad : {"", ".", "1", "1..3", "1.3.", "1.3.x", "1.3.-6", "1.3.4294967296"}) {
    EXPECT_FALSE(ParseSnmpOid(bad, oid)) << bad;
  }
}

TEST(EndlessTable, AnswersEachRequestInOrAboveTheColumnWithTheNextRows) {
  EndlessTable table;
  table.column = Oid(kIfDescr);
  SnmpMessage request, answer;
  request.community = "public@vr2";
  request.requestId = 77;
  request.varBinds.resize(1);

  for (const auto& [asked, first] :
       std::vector<std::pair<std::string, uint32_t>>{{kIfDescr, 1},
                                                     {".1.3.6.1.2.1.2.2.1", 1},
                                                     {".1.3.6.1.2.1.2.2.1.2.41", 42},
                                                     {".1.3.6.1.2.1.2.2.1.2.41.5", 42}}) {
    request.varBinds[0].name = Oid(asked);
    ASSERT_TRUE(AnswerFromEndlessTable(table, request, answer)) << asked;
    EXPECT_EQ(answer.pduType, SnmpMessage::kResponse);
    EXPECT_EQ(answer.requestId, 77);
    EXPECT_EQ(answer.community, "public@vr2");
    ASSERT_EQ(answer.varBinds.size(), 1u);
    SnmpOid row = table.column;
    row.push_back(first);
    EXPECT_EQ(answer.varBinds[0].name, row);
    EXPECT_EQ(answer.varBinds[0].value, "row " + std::to_string(first));
  }
  for (const char* elsewhere :
       {".1.3.6.1.2.1.2.2.1.3", ".1.3.6.1.2.1.2.2.1.1.21", ".1.3.6.1.2.1.1"}) {
    request.varBinds[0].name = Oid(elsewhere);
    EXPECT_FALSE(AnswerFromEndlessTable(table, request, answer)) << elsewhere;
  }
}

TEST(EndlessTable, ABulkAnswerHoldsTheRepetitionsThatFitOneDatagram) {
  EndlessTable table;
  table.column = Oid(kIfDescr);
  table.valueBytes = 2000;
  SnmpMessage request, answer;
  request.pduType = SnmpMessage::kGetBulk;
  request.errorIndex = 25;
  request.varBinds.resize(1);
  request.varBinds[0].name = table.column;
  ASSERT_TRUE(AnswerFromEndlessTable(table, request, answer));
  ASSERT_EQ(answer.varBinds.size(), 25u);
  EXPECT_EQ(answer.varBinds[24].value.size(), 2000u);
  EXPECT_THAT(answer.varBinds[24].value, StartsWith("row 25.."));

  table.valueBytes = EndlessTable::kMaxValueBytes;
  ASSERT_TRUE(AnswerFromEndlessTable(table, request, answer));
  EXPECT_EQ(answer.varBinds.size(), 1u);
  EXPECT_LT(WriteSnmpMessage(answer).size(), 65507u);

  request.varBinds.resize(2);  // several variables: for the agent behind it
  EXPECT_FALSE(AnswerFromEndlessTable(table, request, answer));
}

TEST(EndlessTable, NetSnmpReadsItsAnswersAndAWalkEndsOnlyAtItsBound) {
  EndlessTable table;
  table.column = Oid(kIfDescr);
  table.valueBytes = 2000;
  FakeAgent agent;
  agent.Serve(table);
  // Rows come a page at a time, so a walk stops within a page past its bound.
  SnmpSettings rows = agent.Settings();
  rows.limits.maxWalkRows = 60;
  std::string cut;
  EXPECT_EQ(SnmpWalker(rows).Walk("", kIfDescr, &cut), std::nullopt);
  EXPECT_THAT(cut, StartsWith("it ran past 60 rows ("));

  SnmpSettings bytes = agent.Settings();
  bytes.limits.maxWalkBytes = size_t{1} << 20;
  EXPECT_EQ(SnmpWalker(bytes).Walk("", kIfDescr, &cut), std::nullopt);
  EXPECT_THAT(cut, StartsWith("it ran past 1 MiB ("));
}

TEST(EndlessTable, IsAFaultOfTheSimulator) {
  Faults faults;
  ASSERT_TRUE(ParseFaults({"endless-table=.1.3.6.1.2.1.2.2.1.2:2000"}).Into(faults).ok());
  EXPECT_EQ(faults.endlessTable.column, Oid(kIfDescr));
  EXPECT_EQ(faults.endlessTable.valueBytes, 2000u);
  ASSERT_TRUE(ParseFaults({"endless-table=1.3.6.1.2.1.4.20.1.2"}).Into(faults).ok());
  EXPECT_EQ(faults.endlessTable.valueBytes, 0u);
  for (const char* bad :
       {"endless-table", "endless-table=", "endless-table=ifDescr", "endless-table=1.3.6:0",
        "endless-table=1.3.6:60001", "endless-table=1.3.6:x"}) {
    EXPECT_THAT(ParseFaults({bad}).message(), HasSubstr("endless-table=OID[:BYTES]")) << bad;
  }
}

}  // namespace
