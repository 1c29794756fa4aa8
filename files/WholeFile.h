// A file written whole or not at all, never through a link planted in its
// place.
//
//   files::WholeFile report("out/pe1.json");
//   if (Status opened = report.Open(); !opened.ok()) return opened.Prefixed("cannot write
//   out/pe1.json: "); WriteJsonReport(found, report.Stream()); if (Status written =
//   report.Commit(); !written.ok()) ...
//
// A new name or a regular file is written into a temporary file beside it,
// made anew (mkstemp: O_CREAT|O_EXCL, a name of its own, so never a link), and
// renamed over it by Commit(): a run that fails, or is stopped by SIGTERM,
// SIGHUP or SIGINT, leaves the previous file as it was and no temporary. A
// device, FIFO or socket is written in place, as there is no file to replace
// (`-o /dev/null` stays the device). A symbolic link is followed only to a
// regular file, whose place is then written the same way; a link to anything
// else, a link that leads nowhere and a folder are refused.
#ifndef FILES_WHOLEFILE_H_
#define FILES_WHOLEFILE_H_

#include <sys/types.h>

#include <ostream>
#include <streambuf>
#include <string>
#include <vector>

#include "status/Status.h"

namespace files {

// Bytes to a descriptor, in blocks; a failed write fails the stream.
class DescriptorBuffer : public std::streambuf {
 public:
  DescriptorBuffer();
  // What is still buffered for the previous descriptor is dropped.
  void Attach(int fd);

 protected:
  int_type overflow(int_type c) override;
  int sync() override;

 private:
  bool Drain();

  int fd_ = -1;
  std::vector<char> block_;
};

class WholeFile {
 public:
  explicit WholeFile(std::string path);
  // Without Commit(): the temporary is removed and the file left as it was.
  ~WholeFile();
  WholeFile(const WholeFile&) = delete;
  WholeFile& operator=(const WholeFile&) = delete;

  // Looks at what the path names and makes the temporary file (or opens the
  // device in place). A failure says why, without the path.
  Status Open();
  // Where the contents go, once open.
  std::ostream& Stream() { return stream_; }
  // Writes out what is left and puts the file in place; the temporary is
  // gone either way.
  Status Commit();

 private:
  void Discard();

  std::string path_;
  std::string target_;     // the regular file's place, the link followed
  std::string temporary_;  // empty when written in place
  int fd_ = -1;
  int slot_ = -1;  // in the list of temporaries removed on a signal
  mode_t mode_ = 0;
  DescriptorBuffer buffer_;
  std::ostream stream_;
};

// `text` as the whole of the file at `path`, as WholeFile writes it.
Status WriteWholeFile(const std::string& path, const std::string& text);

// Removes the temporaries that writers of `path` left when they were killed
// (SIGKILL leaves no time to remove them).
void RemoveLeftTemporaries(const std::string& path);

}  // namespace files

#endif  // FILES_WHOLEFILE_H_
