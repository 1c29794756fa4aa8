#include "simulator/UdpRelay.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <deque>
#include <vector>

#include "simulator/SnmpPdu.h"

namespace {

using Clock = std::chrono::steady_clock;

sockaddr_in Endpoint(const std::string& address, int port) {
  sockaddr_in at{};
  at.sin_family = AF_INET;
  at.sin_port = htons(static_cast<uint16_t>(port));
  inet_pton(AF_INET, address.c_str(), &at.sin_addr);
  return at;
}

struct Held {
  Clock::time_point due;
  sockaddr_in client;
  std::string datagram;
};

}  // namespace

// What the relay keeps between datagrams: one socket towards the server per
// client, so that answers find their way back, and the answers held back.
struct RelayTraffic {
  std::map<std::pair<uint32_t, uint16_t>, int> backs;
  std::map<int, sockaddr_in> clientOf;
  std::deque<Held> held;
  sockaddr_in server{};
  std::chrono::milliseconds hold{0};
};

Status UdpRelay::Start(const UdpRelaySetup& setup) {
  setup_ = setup;
  for (const auto& [client, server] : setup_.communities) clientCommunity_[server] = client;
  front_ = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  sockaddr_in at = Endpoint(setup_.address, setup_.port);
  socklen_t size = sizeof at;
  if (front_ < 0 || bind(front_, reinterpret_cast<sockaddr*>(&at), size) != 0 ||
      getsockname(front_, reinterpret_cast<sockaddr*>(&at), &size) != 0) {
    return Status::Failure("cannot listen on " + setup_.address + ":" +
                           std::to_string(setup_.port) + " (UDP)");
  }
  port_ = ntohs(at.sin_port);
  thread_ = std::thread([this] { Run(); });
  return Status();
}

void UdpRelay::Stop() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
  if (front_ >= 0) close(front_);
  front_ = -1;
}

UdpRelay::Route UdpRelay::Forward(std::string& datagram) const {
  SnmpMessage message;
  // SNMPv3, or what it cannot read, is snmpsim's to judge.
  if (!ReadSnmpMessage(datagram, message)) return Route::kToServer;
  const auto known = setup_.communities.find(message.community);
  const bool checked = !setup_.communities.empty();
  if (checked && known == setup_.communities.end()) return Route::kNoAnswer;  // as a router does
  SnmpMessage answer;
  if (AnswerFromEndlessTable(setup_.endlessTable, message, answer)) {
    datagram = WriteSnmpMessage(answer);
    return Route::kAnswered;
  }
  if (!checked) return Route::kToServer;
  message.community = known->second;
  datagram = WriteSnmpMessage(message);
  return Route::kToServer;
}

void UdpRelay::Backward(std::string& datagram) const {
  SnmpMessage message;
  if (clientCommunity_.empty() || !ReadSnmpMessage(datagram, message)) return;
  const auto client = clientCommunity_.find(message.community);
  if (client == clientCommunity_.end()) return;
  message.community = client->second;
  datagram = WriteSnmpMessage(message);
}

void UdpRelay::Relay(int fd, const sockaddr_in& from, std::string datagram,
                     RelayTraffic& traffic) const {
  if (fd != front_) {
    Backward(datagram);
    traffic.held.push_back(
        {Clock::now() + traffic.hold, traffic.clientOf[fd], std::move(datagram)});
    return;
  }
  const Route route = Forward(datagram);
  if (route == Route::kAnswered) {
    traffic.held.push_back({Clock::now() + traffic.hold, from, std::move(datagram)});
    return;
  }
  if (route != Route::kToServer) return;
  int& back = traffic.backs[{from.sin_addr.s_addr, from.sin_port}];
  if (back == 0) {
    back = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    traffic.clientOf[back] = from;
  }
  sendto(back, datagram.data(), datagram.size(), 0,
         reinterpret_cast<const sockaddr*>(&traffic.server), sizeof traffic.server);
}

void UdpRelay::Run() {
  RelayTraffic traffic;
  traffic.server = Endpoint(setup_.address, setup_.serverPort);
  traffic.hold = std::chrono::milliseconds(setup_.holdMs);
  std::vector<char> buffer(65536);
  while (!stop_) {
    std::vector<pollfd> wait = {{front_, POLLIN, 0}};
    for (const auto& entry : traffic.clientOf) wait.push_back({entry.first, POLLIN, 0});
    int timeoutMs = 100;
    if (!traffic.held.empty()) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          traffic.held.front().due - Clock::now());
      timeoutMs = std::max(0, std::min(timeoutMs, static_cast<int>(left.count()) + 1));
    }
    poll(wait.data(), wait.size(), timeoutMs);
    for (const pollfd& ready : wait) {
      if (!(ready.revents & POLLIN)) continue;
      sockaddr_in from{};
      socklen_t size = sizeof from;
      const ssize_t got = recvfrom(ready.fd, buffer.data(), buffer.size(), 0,
                                   reinterpret_cast<sockaddr*>(&from), &size);
      if (got > 0)
        Relay(ready.fd, from, std::string(buffer.data(), static_cast<size_t>(got)), traffic);
    }
    while (!traffic.held.empty() && traffic.held.front().due <= Clock::now()) {
      const Held& answer = traffic.held.front();
      sendto(front_, answer.datagram.data(), answer.datagram.size(), 0,
             reinterpret_cast<const sockaddr*>(&answer.client), sizeof answer.client);
      traffic.held.pop_front();
    }
  }
  for (const auto& entry : traffic.clientOf) close(entry.first);
}
