#include "files/WholeFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <utility>

namespace files {

namespace {

// Temporaries to remove when a signal ends the process. The handler may only
// make async-signal-safe calls, so the list is fixed: a slot belongs to the
// process that filled it (a forked child leaves its parent's alone), and a
// temporary that finds no free slot is only left behind by a signal.
constexpr int kSlots = 32;
struct Slot {
  std::atomic<pid_t> owner{0};  // 0: free; -1: being filled
  char path[PATH_MAX];
};
Slot slots[kSlots];

void RemoveTemporaries(int signalNumber) {
  const int savedErrno = errno;
  const pid_t self = getpid();
  for (Slot& slot : slots) {
    if (slot.owner.load() == self) unlink(slot.path);
  }
  errno = savedErrno;
  // The handler was reset on entry: the signal, blocked until we return,
  // then ends the process as it would have.
  raise(signalNumber);
}

// Only where the signal would end the process: an ignored SIGHUP (nohup) or
// a program's own handler is left as it is.
void CatchStopSignals() {
  static std::once_flag once;
  std::call_once(once, [] {
    for (int signalNumber : {SIGTERM, SIGHUP, SIGINT}) {
      struct sigaction current {};
      if (sigaction(signalNumber, nullptr, &current) != 0 || current.sa_handler != SIG_DFL ||
          (current.sa_flags & SA_SIGINFO)) {
        continue;
      }
      struct sigaction remove {};
      remove.sa_handler = RemoveTemporaries;
      remove.sa_flags = SA_RESETHAND;
      sigemptyset(&remove.sa_mask);
      sigaction(signalNumber, &remove, nullptr);
    }
  });
}

int Remember(const std::string& path) {
  if (path.size() >= PATH_MAX) return -1;
  CatchStopSignals();
  for (int i = 0; i < kSlots; ++i) {
    pid_t free = 0;
    if (!slots[i].owner.compare_exchange_strong(free, -1)) continue;
    std::memcpy(slots[i].path, path.c_str(), path.size() + 1);
    slots[i].owner.store(getpid());
    return i;
  }
  return -1;
}

void Forget(int slot) {
  if (slot >= 0) slots[slot].owner.store(0);
}

// What a new file gets: what open() and a stream would give it.
mode_t NewFileMode() {
  static std::mutex mutex;
  std::lock_guard<std::mutex> lock(mutex);
  const mode_t mask = umask(077);
  umask(mask);
  return 0666 & ~mask;
}

std::string Reason() { return std::strerror(errno); }

// "FOLDER/" and ".NAME." of the temporaries beside `path` (then six letters).
std::pair<std::string, std::string> TemporaryPrefix(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return {"", "." + path + "."};
  return {path.substr(0, slash + 1), "." + path.substr(slash + 1) + "."};
}

// A link is followed only to a regular file: `place` becomes what it leads
// to and `target` its real path.
Status FollowLink(const std::string& path, struct stat& place, std::string& target) {
  struct stat linked {};
  if (stat(path.c_str(), &linked) != 0) {
    return Status::Failure("it is a symbolic link that leads nowhere");
  }
  if (!S_ISREG(linked.st_mode)) {
    return Status::Failure("it is a symbolic link to something other than a regular file");
  }
  char* resolved = realpath(path.c_str(), nullptr);
  if (!resolved) {
    return Status::Failure(Reason());
  }
  target = resolved;
  std::free(resolved);
  place = linked;
  return Status();
}

}  // namespace

DescriptorBuffer::DescriptorBuffer() : block_(1 << 16) {
  setp(block_.data(), block_.data() + block_.size());
}

void DescriptorBuffer::Attach(int fd) {
  fd_ = fd;
  setp(block_.data(), block_.data() + block_.size());
}

bool DescriptorBuffer::Drain() {
  const char* next = pbase();
  while (next < pptr()) {
    const ssize_t written = write(fd_, next, static_cast<size_t>(pptr() - next));
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    next += written;
  }
  setp(block_.data(), block_.data() + block_.size());
  return true;
}

DescriptorBuffer::int_type DescriptorBuffer::overflow(int_type c) {
  if (fd_ < 0 || !Drain()) return traits_type::eof();
  if (!traits_type::eq_int_type(c, traits_type::eof())) {
    *pptr() = traits_type::to_char_type(c);
    pbump(1);
  }
  return traits_type::not_eof(c);
}

int DescriptorBuffer::sync() { return fd_ >= 0 && Drain() ? 0 : -1; }

WholeFile::WholeFile(std::string path) : path_(std::move(path)), stream_(&buffer_) {
  stream_.setstate(std::ios::badbit);  // until Open()
}

WholeFile::~WholeFile() { Discard(); }

Status WholeFile::Open() {
  Discard();
  struct stat place {};
  target_ = path_;
  mode_ = NewFileMode();
  if (lstat(path_.c_str(), &place) == 0) {
    if (S_ISLNK(place.st_mode)) {
      Status followed = FollowLink(path_, place, target_);
      if (!followed.ok()) return followed;
    }
    if (S_ISDIR(place.st_mode)) {
      return Status::Failure("it is a folder");
    }
    if (S_ISREG(place.st_mode)) {
      mode_ = place.st_mode & 0777;
    } else {
      // A device, FIFO or socket: nothing to replace. O_NOFOLLOW: no link
      // slipped in since we looked.
      fd_ = open(path_.c_str(), O_WRONLY | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC);
      if (fd_ < 0) {
        return Status::Failure(Reason());
      }
      struct stat opened {};
      if (fstat(fd_, &opened) != 0 || S_ISREG(opened.st_mode) || S_ISDIR(opened.st_mode)) {
        Discard();
        return Status::Failure("it was replaced while it was being opened");
      }
      buffer_.Attach(fd_);
      stream_.clear();
      return Status();
    }
  } else if (errno != ENOENT) {
    return Status::Failure(Reason());
  }
  const auto [folder, prefix] = TemporaryPrefix(target_);
  std::string temporary = folder + prefix + "XXXXXX";
  fd_ = mkostemp(&temporary[0], O_CLOEXEC);
  if (fd_ < 0) {
    return Status::Failure("cannot make a file beside it: " + Reason());
  }
  temporary_ = temporary;
  slot_ = Remember(temporary_);
  buffer_.Attach(fd_);
  stream_.clear();
  return Status();
}

Status WholeFile::Commit() {
  if (fd_ < 0) return Status::Failure("it was not opened");
  stream_.flush();
  std::string problem;
  if (!stream_) problem = Reason();
  if (problem.empty() && !temporary_.empty() && fchmod(fd_, mode_) != 0) problem = Reason();
  // close() reports what a network file system could not write.
  const int fd = fd_;
  fd_ = -1;
  buffer_.Attach(-1);
  if (close(fd) != 0 && problem.empty()) problem = Reason();
  if (problem.empty() && !temporary_.empty() && rename(temporary_.c_str(), target_.c_str()) != 0) {
    problem = Reason();
  }
  if (problem.empty()) {
    Forget(slot_);
    slot_ = -1;
    temporary_.clear();
  }
  Discard();
  stream_.setstate(std::ios::badbit);
  return problem.empty() ? Status() : Status::Failure(problem);
}

void WholeFile::Discard() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
  buffer_.Attach(-1);
  if (!temporary_.empty()) unlink(temporary_.c_str());
  temporary_.clear();
  Forget(slot_);
  slot_ = -1;
}

void RemoveLeftTemporaries(const std::string& path) {
  const auto [folder, prefix] = TemporaryPrefix(path);
  DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
  if (!dir) return;
  while (const dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    struct stat file {};
    if (name.size() == prefix.size() + 6 && name.compare(0, prefix.size(), prefix) == 0 &&
        lstat((folder + name).c_str(), &file) == 0 && S_ISREG(file.st_mode)) {
      unlink((folder + name).c_str());
    }
  }
  closedir(dir);
}

Status WriteWholeFile(const std::string& path, const std::string& text) {
  WholeFile file(path);
  if (Status opened = file.Open(); !opened.ok()) return opened;
  file.Stream().write(text.data(), static_cast<std::streamsize>(text.size()));
  return file.Commit();
}

}  // namespace files
