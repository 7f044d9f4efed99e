// Outputs that never destroy what was there: a file appears under its name only when completely
// written, a special file (FIFO, terminal, /dev/null, standard output) is written in place as a
// stream and never replaced, and a symbolic link keeps pointing where it did while its target is
// replaced. The content of a new regular file goes to an unnamed temporary file in the target's
// folder (O_TMPFILE, so that even SIGKILL leaves nothing behind) or, where the file system lacks
// those or where /proc is missing, to a hidden file of a short name that the SIGINT, SIGTERM and
// SIGHUP handlers remove, however many are open; it is synced and then takes the target's name
// by rename. SIGXFSZ is ignored (unless the process handles it), so that a file size limit fails
// the write that passes it rather than ending the process.
#pragma once

#include <cstddef>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace meshprobe {

// What writing to a path would do, decided before anything is computed.
struct OutputTarget {
  enum class Kind {
    kReplace,  // a regular file, new or existing, replaced whole by rename
    kStream,   // a FIFO, a character device or an open descriptor: written in place
    kRefused,  // a folder, a block device, a socket: never written
  };
  Kind kind = Kind::kRefused;
  // kReplace: the file to replace, links followed (a link stays a link to it). kStream: the path
  // to open, or empty when `descriptor` is to be written.
  std::string path;
  int descriptor = -1;  // kStream on "-" (standard output) or /dev/fd/N, /proc/self/fd/N
  bool exists = false;  // kReplace: the file exists; its permission bits are then kept
  std::string why;      // kRefused: why, such as "it is a folder"
};

// Classifies `path`: "-" is standard output; a symbolic link is followed (also when its target
// does not exist yet); what exists decides the rest.
OutputTarget output_target(const std::string& path);

class AtomicFile {
 public:
  // Opens the temporary file beside the target, or the stream. Check is_open() before writing.
  explicit AtomicFile(const std::string& path);
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;
  // Removes the temporary file unless commit() succeeded.
  ~AtomicFile();

  bool is_open() const { return stream_ != nullptr; }
  std::FILE* stream() { return stream_; }
  // Flushes, syncs and puts the file in place (for a stream: flushes it). False when a write,
  // the sync or the rename failed; the temporary file is then gone, the target unchanged and
  // error() says why. Inside an OutputBatch of this thread, the file is complete on return but
  // takes its name only when the batch commits.
  bool commit();
  // Why the file could not be opened or committed, as "PATH: reason" (the system's words, such
  // as "File too large"); empty while nothing failed.
  const std::string& error() const { return error_; }

  struct Pending;  // a complete temporary file waiting for its name

 private:
  // Keeps the first failure here and in the thread's batch.
  void fail(int error);
  void fail(const std::string& failure);

  OutputTarget target_;
  std::string shown_;
  std::string error_;
  std::FILE* stream_ = nullptr;
  std::unique_ptr<Pending> pending_;
  bool committed_ = false;
};

// The outputs of one unit of work (one mesh), replaced together: while a batch lives on a thread,
// every AtomicFile committed on that thread waits for the batch's commit to take its name. A
// batch that ends without commit removes them all, and every target stays as it was. Streams are
// written at once: they cannot wait.
class OutputBatch {
 public:
  OutputBatch();
  OutputBatch(const OutputBatch&) = delete;
  OutputBatch& operator=(const OutputBatch&) = delete;
  ~OutputBatch();
  // Renames every waiting file into place, in the order they were committed, once every target
  // is found replaceable; false when one could not be: the renames before it are undone (every
  // target holds its earlier file again) and the new files removed.
  bool commit();
  // The first failure of the batch or of a file of it, as "PATH: reason"; empty when none.
  const std::string& failure() const { return failure_; }

 private:
  friend class AtomicFile;
  std::vector<std::unique_ptr<AtomicFile::Pending>> pending_;
  std::string failure_;
  OutputBatch* outer_;
};

// True when an output can be written at `path`: a stream target, or a regular file whose folder
// exists and takes a new file (checked by creating and removing a short probe file) under a name
// that fits, and that, when it exists, can be replaced (not immutable, not a mount point).
// Otherwise false with `why` saying which, such as "the folder out does not exist";
// `special` is then true when the path names something an output must not replace (a folder, a
// block device, a socket). For checking every output before a long computation.
bool can_create(const std::string& path, std::string& why, bool* special = nullptr);

// True when the two paths name one file: the same device and inode where both exist, otherwise
// the same absolute, normalised spelling.
bool same_file(const std::string& a, const std::string& b);

}  // namespace meshprobe
