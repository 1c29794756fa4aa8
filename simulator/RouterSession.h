// One client of the simulated router (over Telnet or SSH): login, prompts with the
// capture's host name, "virtual-router" switching, replies from the capture
// in the current context, pages of 24 lines until "terminal length 0", and
// the faults it was told to show.
#ifndef SIMULATOR_ROUTERSESSION_H_
#define SIMULATOR_ROUTERSESSION_H_

#include <chrono>
#include <deque>
#include <memory>
#include <string>
#include <utility>

#include "captures/CliCapture.h"
#include "simulator/Faults.h"
#include "simulator/RouterLink.h"

struct RouterSetup {
  const CliCapture* capture = nullptr;
  std::string user;  // empty: no user name asked
  std::string password;
  bool linePassword = false;   // without user: ask "Telnet password: " alone
  std::string enablePassword;  // empty: "enable" asks none
  Faults faults;
};

class RouterSession {
 public:
  // `loggedIn`: the link already checked the user (SSH), no login prompts.
  RouterSession(std::unique_ptr<RouterLink> link, const RouterSetup& setup, bool loggedIn = false);
  ~RouterSession();
  RouterSession(const RouterSession&) = delete;
  RouterSession& operator=(const RouterSession&) = delete;

  // Serves the client until it leaves or the connection drops.
  void Serve();

 private:
  bool LogIn();
  void Handle(const std::string& command);
  bool FaultTakes(const std::string& command);
  void Enable();
  void Answer(const std::string& command, const std::string& reply);
  void SendReply(const std::string& reply);
  std::string Prompt() const;
  // False once the client is gone.
  bool ReadLine(std::string& line, bool echo);
  bool ReadKey(char& key);
  bool Receive();
  // Takes the first `count` bytes of the input as read.
  void Consume(size_t count);
  using Clock = std::chrono::steady_clock;
  // Waits as a distant router would, taking in what the client types meanwhile.
  void HoldUntil(Clock::time_point wake);
  // Drops the input that came while a command was answered.
  void DropTypedAhead();
  void Send(const std::string& bytes);
  void Hang();

  std::unique_ptr<RouterLink> link_;
  const RouterSetup& setup_;
  bool loggedIn_;
  std::string input_;
  size_t consumed_ = 0;  // input read so far: input_ starts there
  // When the input came: up to the offset (counted as consumed_), at the time.
  std::deque<std::pair<size_t, Clock::time_point>> arrivals_;
  Clock::time_point lineArrived_;  // when the last line read was complete
  bool afterCarriageReturn_ = false;
  bool closed_ = false;
  size_t sent_ = 0;
  std::string context_ = "default";
  char mark_ = '>';
  int pageLength_ = 24;
};

#endif  // SIMULATOR_ROUTERSESSION_H_
