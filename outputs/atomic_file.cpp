#include "outputs/atomic_file.h"

#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <random>
#include <vector>

namespace meshprobe {

namespace {

constexpr char kTemporaryName[] = ".meshprobe-XXXXXX";
// Links followed before a path counts as a loop, as the kernel's own limit.
constexpr int kMostLinks = 40;

// The temporary paths of the files being written, for the signal handlers: a list that only
// grows, its nodes never freed, so that the handler may walk it while other threads add to it
// (it may only read memory and call unlink). A node is filled before it is marked in use, and
// marked free before it is filled again; `next` is set before the node is published.
struct TrackedPath {
  std::atomic<bool> in_use{false};
  char path[PATH_MAX] = {};
  TrackedPath* next = nullptr;
};
std::atomic<TrackedPath*> g_tracked{nullptr};
std::mutex g_tracked_mutex;  // between threads that open files; never taken by the handler

constexpr int kCleanedSignals[] = {SIGINT, SIGTERM, SIGHUP};

// The batch whose commit the files committed on this thread wait for.
thread_local OutputBatch* g_batch = nullptr;

extern "C" void remove_temporary_files(int signal_number) {
  for (TrackedPath* node = g_tracked.load(std::memory_order_acquire); node != nullptr;
       node = node->next) {
    if (node->in_use.load(std::memory_order_acquire)) unlink(node->path);
  }
  // The default action ends the process, and its status still tells of the signal.
  ::signal(signal_number, SIG_DFL);
  ::raise(signal_number);
}

// Installs the handlers once, except for signals the process ignores (as under nohup). A file
// size limit (ulimit -f) would end the process by SIGXFSZ at the write that passes it; ignored,
// that write fails with EFBIG instead, and the output fails like any other write.
void install_handlers() {
  static std::once_flag installed;
  std::call_once(installed, [] {
    for (const int signal_number : kCleanedSignals) {
      struct sigaction current {};
      if (sigaction(signal_number, nullptr, &current) != 0) continue;
      if (current.sa_handler == SIG_IGN) continue;
      struct sigaction action {};
      action.sa_handler = remove_temporary_files;
      sigemptyset(&action.sa_mask);
      for (const int other : kCleanedSignals)
        sigaddset(&action.sa_mask, other);
      sigaction(signal_number, &action, nullptr);
    }
    struct sigaction size_limit {};
    if (sigaction(SIGXFSZ, nullptr, &size_limit) == 0 && size_limit.sa_handler == SIG_DFL)
      ::signal(SIGXFSZ, SIG_IGN);
  });
}

// Registers `path` for the handlers; nullptr when it is too long to be (it is then removed only
// by the code that made it).
TrackedPath* track(const std::string& path) {
  if (path.size() >= PATH_MAX) return nullptr;
  const std::lock_guard<std::mutex> lock(g_tracked_mutex);
  TrackedPath* node = g_tracked.load(std::memory_order_relaxed);
  while (node != nullptr && node->in_use.load(std::memory_order_relaxed))
    node = node->next;
  const bool fresh = node == nullptr;
  if (fresh) {
    node = new TrackedPath;
    node->next = g_tracked.load(std::memory_order_relaxed);
  }
  std::memcpy(node->path, path.c_str(), path.size() + 1);
  node->in_use.store(true, std::memory_order_release);
  if (fresh) g_tracked.store(node, std::memory_order_release);
  return node;
}

void untrack(TrackedPath*& node) {
  if (node == nullptr) return;
  const std::lock_guard<std::mutex> lock(g_tracked_mutex);
  node->in_use.store(false, std::memory_order_release);
  node = nullptr;
}

// Keeps the cleaned signals from this thread while it lives, so that a file created meanwhile
// is registered (or removed again) before a handler can run here.
class SignalsHeld {
 public:
  SignalsHeld() {
    sigset_t cleaned;
    sigemptyset(&cleaned);
    for (const int signal_number : kCleanedSignals)
      sigaddset(&cleaned, signal_number);
    pthread_sigmask(SIG_BLOCK, &cleaned, &previous_);
  }
  SignalsHeld(const SignalsHeld&) = delete;
  SignalsHeld& operator=(const SignalsHeld&) = delete;
  ~SignalsHeld() { pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }

 private:
  sigset_t previous_;
};

// The folder part of a path ("." for a bare name) and its last component.
void split_path(const std::string& path, std::string& folder, std::string& name) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) {
    folder = ".";
    name = path;
  } else {
    folder = slash == 0 ? "/" : path.substr(0, slash);
    name = path.substr(slash + 1);
  }
}

std::string in_folder(const std::string& folder, const std::string& name) {
  return (folder == "/" ? "" : folder) + "/" + name;
}

// Creates a named temporary file in `folder`; its descriptor, or -1 with errno set.
int create_temporary(const std::string& folder, std::string& temporary_path) {
  const std::string pattern = in_folder(folder, kTemporaryName);
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int descriptor = mkostemp(name.data(), O_CLOEXEC);
  if (descriptor >= 0) temporary_path = name.data();
  return descriptor;
}

// The descriptor that a path names by number (/dev/stdout, /dev/fd/N, /proc/self/fd/N), when it
// is open; otherwise -1. Such a path is written through the descriptor, never opened anew: a
// shell's redirection to a file would otherwise be replaced or overwritten from its start.
int named_descriptor(const std::string& path) {
  int number = -1;
  if (path == "/dev/stdout") {
    number = STDOUT_FILENO;
  } else if (path == "/dev/stderr") {
    number = STDERR_FILENO;
  } else {
    for (const char* prefix : {"/dev/fd/", "/proc/self/fd/"}) {
      const std::size_t length = std::strlen(prefix);
      if (path.compare(0, length, prefix) != 0 || path.size() == length) continue;
      char* end = nullptr;
      const long value = std::strtol(path.c_str() + length, &end, 10);
      if (*end == '\0' && value >= 0 && value < INT_MAX) number = static_cast<int>(value);
    }
  }
  if (number < 0 || fcntl(number, F_GETFD) < 0) return -1;
  return number;
}

OutputTarget refused(const std::string& path, const std::string& why) {
  OutputTarget target;
  target.path = path;
  target.why = why;
  return target;
}

// The permission bits a new file gets: rw for all, minus the umask.
mode_t default_mode() {
  const mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

}  // namespace

OutputTarget output_target(const std::string& path) {
  OutputTarget target;
  if (path == "-") {
    target.kind = OutputTarget::Kind::kStream;
    target.descriptor = STDOUT_FILENO;
    return target;
  }
  std::string current = path;
  for (int links = 0; links <= kMostLinks; ++links) {
    const int descriptor = named_descriptor(current);
    if (descriptor >= 0) {
      target.kind = OutputTarget::Kind::kStream;
      target.descriptor = descriptor;
      return target;
    }
    struct stat about {};
    if (lstat(current.c_str(), &about) != 0) {
      // Nothing there yet (or its folder is missing, which can_create reports).
      target.kind = OutputTarget::Kind::kReplace;
      target.path = current;
      return target;
    }
    if (S_ISLNK(about.st_mode)) {
      std::vector<char> buffer(PATH_MAX + 1);
      const ssize_t length = readlink(current.c_str(), buffer.data(), PATH_MAX);
      if (length <= 0) return refused(path, "cannot read the symbolic link");
      const std::string link(buffer.data(), static_cast<std::size_t>(length));
      std::string folder;
      std::string name;
      split_path(current, folder, name);
      current = link.front() == '/' ? link : in_folder(folder, link);
      continue;
    }
    target.path = current;
    if (S_ISREG(about.st_mode)) {
      target.kind = OutputTarget::Kind::kReplace;
      target.exists = true;
    } else if (S_ISFIFO(about.st_mode) || S_ISCHR(about.st_mode)) {
      target.kind = OutputTarget::Kind::kStream;
    } else if (S_ISDIR(about.st_mode)) {
      target.why = "it is a folder";
    } else {
      target.why = std::string("it is a ") + (S_ISBLK(about.st_mode) ? "block device" : "socket") +
                   ", which no output replaces";
    }
    return target;
  }
  return refused(path, std::strerror(ELOOP));
}

namespace {

// Links `source` (flags as linkat's) under a fresh hidden name in `folder`: a link cannot replace
// an existing file. The name goes to `linked`, registered for the handlers; false with errno set.
bool link_hidden(const std::string& source, int flags, const std::string& folder,
                 std::string& linked, TrackedPath*& tracked) {
  std::random_device seed;
  std::mt19937 draw(seed());
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string candidate =
        in_folder(folder, ".meshprobe-" + std::to_string(draw() % 1000000u));
    if (linkat(AT_FDCWD, source.c_str(), AT_FDCWD, candidate.c_str(), flags) == 0) {
      linked = candidate;
      tracked = track(candidate);
      return true;
    }
    if (errno != EEXIST) return false;
  }
  return false;
}

// Why an existing file cannot be replaced by rename, found before any output takes its name:
// an immutable or append-only file (chattr) refuses, and so does a mount point (a file bound
// over another with mount --bind). Empty when nothing stands in the way, or the file system
// does not say.
std::string why_not_replaceable(const std::string& path) {
  struct statx about {};
  if (statx(AT_FDCWD, path.c_str(), AT_SYMLINK_NOFOLLOW, STATX_BASIC_STATS, &about) != 0) return "";
  const auto attributes = about.stx_attributes & about.stx_attributes_mask;
  if ((attributes & (STATX_ATTR_IMMUTABLE | STATX_ATTR_APPEND)) != 0)
    return "it is immutable or append-only, which no output replaces";
  if ((attributes & STATX_ATTR_MOUNT_ROOT) != 0)
    return "it is a mount point, which no output replaces";
  return "";
}

std::string reason(int error) {
  return error == 0 ? std::string("a write failed") : std::string(std::strerror(error));
}

}  // namespace

// A complete temporary file waiting for its name. It stays open until then: an unnamed one is
// linked into the folder through its descriptor.
struct AtomicFile::Pending {
  std::FILE* stream = nullptr;
  std::string temporary_path;  // empty for an unnamed file until it is given a hidden name
  std::string target;          // links followed
  std::string shown;           // the path as the caller gave it, for messages
  TrackedPath* tracked = nullptr;
  // How the target took the new file, for undoing it while the other files of a batch fail.
  enum class Placed { kNot, kCreated, kExchanged, kBackedUp, kForGood } placed = Placed::kNot;
  std::string old_path;  // kBackedUp: the earlier file, under a hidden name
  TrackedPath* old_tracked = nullptr;
  int error = 0;  // errno of the step that failed

  Pending() = default;
  Pending(const Pending&) = delete;
  Pending& operator=(const Pending&) = delete;
  ~Pending() {
    if (stream != nullptr) std::fclose(stream);
    // kExchanged: the hidden name holds the earlier file, no longer wanted.
    if ((placed == Placed::kNot || placed == Placed::kExchanged) && !temporary_path.empty())
      unlink(temporary_path.c_str());
    if (placed == Placed::kBackedUp) unlink(old_path.c_str());
    untrack(tracked);
    untrack(old_tracked);
  }

  // Gives an unnamed file a hidden name beside the target; false with `error` set.
  bool name() {
    if (!temporary_path.empty()) return true;
    std::string folder;
    std::string base;
    split_path(target, folder, base);
    const std::string source = "/proc/self/fd/" + std::to_string(fileno(stream));
    if (link_hidden(source, AT_SYMLINK_FOLLOW, folder, temporary_path, tracked)) return true;
    error = errno;
    return false;
  }

  // Puts the file under the target's name, in a way that undo() can reverse while the earlier
  // file lives: exchanged with it where the file system can, else after a second link to it.
  bool place() {
    struct stat about {};
    if (lstat(target.c_str(), &about) != 0) {
      if (std::rename(temporary_path.c_str(), target.c_str()) != 0) return failed();
      placed = Placed::kCreated;
      return true;
    }
    // Only a file is replaced (an exchange would as readily swap in a folder made meanwhile).
    if (!S_ISREG(about.st_mode)) {
      errno = S_ISDIR(about.st_mode) ? EISDIR : EEXIST;
      return failed();
    }
    if (renameat2(AT_FDCWD, temporary_path.c_str(), AT_FDCWD, target.c_str(), RENAME_EXCHANGE) ==
        0) {
      placed = Placed::kExchanged;
      return true;
    }
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) return failed();
    std::string folder;
    std::string base;
    split_path(target, folder, base);
    const bool kept = link_hidden(target, 0, folder, old_path, old_tracked);
    if (std::rename(temporary_path.c_str(), target.c_str()) != 0) {
      const int fault = errno;
      if (kept) unlink(old_path.c_str());
      untrack(old_tracked);
      errno = fault;
      return failed();
    }
    // Without a second link (a file system without them) the earlier file is gone for good.
    placed = kept ? Placed::kBackedUp : Placed::kForGood;
    return true;
  }

  // Puts back what the target held before place().
  void undo() {
    switch (placed) {
      case Placed::kCreated:
        unlink(target.c_str());
        break;
      case Placed::kExchanged:
        if (renameat2(AT_FDCWD, temporary_path.c_str(), AT_FDCWD, target.c_str(),
                      RENAME_EXCHANGE) != 0)
          return;
        break;
      case Placed::kBackedUp:
        if (std::rename(old_path.c_str(), target.c_str()) != 0) return;
        break;
      case Placed::kNot:
      case Placed::kForGood:
        return;
    }
    placed = Placed::kNot;
  }

 private:
  bool failed() {
    error = errno;
    return false;
  }
};

namespace {

// Gives every file its target's name, or none: each target is checked before the first rename,
// and a rename that fails undoes the ones before it. The earlier files are removed only once
// every new one is in place. False with `failure` saying "PATH: why".
bool place_together(std::vector<std::unique_ptr<AtomicFile::Pending>>& files,
                    std::string& failure) {
  // The handlers wait until the names are settled, so that none runs with half of them moved.
  const SignalsHeld held;
  const auto fail = [&](const AtomicFile::Pending& file, const std::string& why) {
    failure = file.shown + ": " + why;
    return false;
  };
  for (auto& file : files) {
    if (!file->name()) return fail(*file, reason(file->error));
    const std::string why = why_not_replaceable(file->target);
    if (!why.empty()) return fail(*file, why);
  }
  for (std::size_t k = 0; k < files.size(); ++k) {
    if (files[k]->place()) continue;
    for (std::size_t j = k; j-- > 0;)
      files[j]->undo();
    return fail(*files[k], reason(files[k]->error));
  }
  return true;
}

}  // namespace

AtomicFile::AtomicFile(const std::string& path) : target_(output_target(path)), shown_(path) {
  install_handlers();
  int descriptor = -1;
  switch (target_.kind) {
    case OutputTarget::Kind::kRefused:
      fail(shown_ + ": " + target_.why);
      return;
    case OutputTarget::Kind::kStream:
      descriptor = target_.descriptor >= 0
                       ? fcntl(target_.descriptor, F_DUPFD_CLOEXEC, 0)
                       : open(target_.path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
      if (descriptor < 0) {
        fail(errno);
        return;
      }
      stream_ = fdopen(descriptor, "w");
      if (stream_ == nullptr) {
        fail(errno);
        close(descriptor);
      }
      return;
    case OutputTarget::Kind::kReplace:
      break;
  }
  // An existing file keeps its permission bits and, where this process may set them, its owner.
  mode_t mode = default_mode();
  struct stat existing {};
  const bool keep = target_.exists && stat(target_.path.c_str(), &existing) == 0;
  if (keep) mode = existing.st_mode & 07777;
  std::string folder;
  std::string name;
  split_path(target_.path, folder, name);
  auto pending = std::make_unique<Pending>();
  pending->target = target_.path;
  pending->shown = shown_;
  descriptor = open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
  if (descriptor >= 0) {
    // An unnamed file takes its name through /proc/self/fd, which a container or chroot may
    // lack: found out now, the named file below serves instead.
    struct stat by_path {};
    struct stat by_descriptor {};
    const std::string source = "/proc/self/fd/" + std::to_string(descriptor);
    if (stat(source.c_str(), &by_path) != 0 || fstat(descriptor, &by_descriptor) != 0 ||
        by_path.st_ino != by_descriptor.st_ino || by_path.st_dev != by_descriptor.st_dev) {
      close(descriptor);
      descriptor = -1;
    }
  }
  if (descriptor < 0) {
    // File systems without unnamed files: a hidden named one, which the handlers remove.
    const SignalsHeld held;
    descriptor = create_temporary(folder, pending->temporary_path);
    if (descriptor >= 0) pending->tracked = track(pending->temporary_path);
  }
  if (descriptor < 0) {
    fail(errno);
    return;
  }
  if (keep && (existing.st_uid != geteuid() || existing.st_gid != getegid())) {
    // Only a privileged process may give the file away; others keep their own ownership.
    const int given = fchown(descriptor, existing.st_uid, existing.st_gid);
    (void)given;
  }
  // After the owner, which clears the set-user and set-group bits.
  fchmod(descriptor, mode);
  pending->stream = fdopen(descriptor, "w");
  if (pending->stream == nullptr) {
    fail(errno);
    close(descriptor);
    return;
  }
  stream_ = pending->stream;
  pending_ = std::move(pending);
}

AtomicFile::~AtomicFile() {
  // A pending file still owned here was never committed: its destructor removes it.
  if (pending_ == nullptr && stream_ != nullptr) std::fclose(stream_);
}

void AtomicFile::fail(int error) {
  fail(shown_ + ": " + reason(error));
}

void AtomicFile::fail(const std::string& failure) {
  if (error_.empty()) error_ = failure;
  if (g_batch != nullptr && g_batch->failure_.empty()) g_batch->failure_ = error_;
}

bool AtomicFile::commit() {
  if (stream_ == nullptr || committed_) {
    if (!error_.empty()) fail(error_);
    return false;
  }
  // Why a write failed: the flush's own failure where it retries the buffer, else errno as the
  // failed write left it (a stream in error fails every later write for the same reason).
  const int write_error = errno;
  errno = 0;
  const bool flushed = std::fflush(stream_) == 0;
  const bool written = flushed && std::ferror(stream_) == 0;
  const int flush_error = written ? 0 : (errno != 0 ? errno : write_error);
  if (target_.kind == OutputTarget::Kind::kStream) {
    const bool closed = std::fclose(stream_) == 0;
    const int close_error = errno;
    stream_ = nullptr;
    committed_ = written && closed;
    if (!committed_) fail(written ? close_error : flush_error);
    return committed_;
  }
  stream_ = nullptr;  // owned by pending_ from here on
  // Synced before the rename: after a power loss the name holds either the old file or the
  // complete new one, never an empty file.
  if (!written || fsync(fileno(pending_->stream)) != 0) {
    fail(written ? errno : flush_error);
    pending_.reset();
    return false;
  }
  if (g_batch != nullptr) {
    g_batch->pending_.push_back(std::move(pending_));
    committed_ = true;
    return true;
  }
  std::vector<std::unique_ptr<Pending>> alone;
  alone.push_back(std::move(pending_));
  std::string failure;
  committed_ = place_together(alone, failure);
  if (!committed_) fail(failure);
  return committed_;
}

OutputBatch::OutputBatch() : outer_(g_batch) {
  g_batch = this;
}

OutputBatch::~OutputBatch() {
  pending_.clear();
  g_batch = outer_;
}

bool OutputBatch::commit() {
  std::string failure;
  const bool ok = place_together(pending_, failure);
  if (!ok && failure_.empty()) failure_ = failure;
  pending_.clear();
  return ok;
}

bool can_create(const std::string& path, std::string& why, bool* special) {
  install_handlers();
  if (special != nullptr) *special = false;
  const OutputTarget target = output_target(path);
  if (target.kind == OutputTarget::Kind::kStream) return true;
  if (target.kind == OutputTarget::Kind::kRefused) {
    why = target.why;
    if (special != nullptr) *special = true;
    return false;
  }
  std::string folder;
  std::string name;
  split_path(target.path, folder, name);
  struct stat about {};
  if (stat(folder.c_str(), &about) != 0) {
    const int fault = errno;
    why = fault == ENOENT || fault == ENOTDIR
              ? "the folder " + folder + " does not exist"
              : "cannot reach the folder " + folder + " (" + std::strerror(fault) + ")";
    // A path through something that is not a folder says so (/dev/null/a/b).
    for (std::string up = folder, rest; fault == ENOTDIR && up != "." && up != "/";) {
      const std::string below = up;
      split_path(below, up, rest);
      struct stat above {};
      if (stat(up.c_str(), &above) == 0 && !S_ISDIR(above.st_mode)) {
        why = up + " is not a folder";
        break;
      }
    }
    return false;
  }
  if (!S_ISDIR(about.st_mode)) {
    why = folder + " is not a folder";
    return false;
  }
  if (name.empty()) {
    why = "it is a folder";
    if (special != nullptr) *special = true;
    return false;
  }
  if (target.exists) {
    why = why_not_replaceable(target.path);
    if (!why.empty()) return false;
  }
  const long longest = pathconf(folder.c_str(), _PC_NAME_MAX);
  if (longest > 0 && name.size() > static_cast<std::size_t>(longest)) {
    why =
        "the name is longer than the " + std::to_string(longest) + " characters the folder allows";
    return false;
  }
  const SignalsHeld held;  // the probe is gone before any handler runs here
  std::string probe;
  const int descriptor = create_temporary(folder, probe);
  if (descriptor < 0) {
    why = "cannot create a file in " + folder + " (" + std::strerror(errno) + ")";
    return false;
  }
  close(descriptor);
  unlink(probe.c_str());
  return true;
}

bool same_file(const std::string& a, const std::string& b) {
  struct stat first {};
  struct stat second {};
  if (stat(a.c_str(), &first) == 0 && stat(b.c_str(), &second) == 0)
    return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
  namespace fs = std::filesystem;
  std::error_code ignored;
  return fs::absolute(a, ignored).lexically_normal() == fs::absolute(b, ignored).lexically_normal();
}

}  // namespace meshprobe
