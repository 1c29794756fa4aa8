// The outcome of an operation that either works or fails with a message for
// the user: one plain sentence, naming what could not be done and why.
//
//   Status Save(const std::string& dir) {
//     if (!MakeFolder(dir)) return Status::Failure("cannot make " + dir);
//     return Status();
//   }
//   if (Status saved = Save(dir); !saved.ok()) std::cerr << saved.message() << "\n";
#ifndef STATUS_STATUS_H_
#define STATUS_STATUS_H_

#include <string>
#include <utility>

class [[nodiscard]] Status {
 public:
  Status() = default;  // ok

  static Status Failure(std::string message) {
    Status failed;
    failed.ok_ = false;
    failed.message_ = std::move(message);
    return failed;
  }

  bool ok() const { return ok_; }
  // Empty when ok.
  const std::string& message() const { return message_; }

  // The same failure, its message preceded by `context` ("cannot write X: ").
  Status Prefixed(const std::string& context) const {
    return ok_ ? *this : Failure(context + message_);
  }

 private:
  bool ok_ = true;
  std::string message_;
};

#endif  // STATUS_STATUS_H_
