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

// The temporary paths of the files being written, for the signal handlers, in storage prepared
// before any signal can need it: the handler may only read memory and call unlink. A slot is
// filled before it is marked in use, and marked free before it is filled again.
constexpr std::size_t kSlots = 16;
constexpr std::size_t kNoSlot = kSlots;
struct Slot {
  std::atomic<bool> in_use{false};
  char path[PATH_MAX] = {};
};
Slot g_slots[kSlots];
std::mutex g_slots_mutex;  // between threads that open files; never taken by the handler

constexpr int kCleanedSignals[] = {SIGINT, SIGTERM, SIGHUP};

// The batch whose commit the files committed on this thread wait for.
thread_local OutputBatch* g_batch = nullptr;

extern "C" void remove_temporary_files(int signal_number) {
  for (Slot& slot : g_slots) {
    if (slot.in_use.load(std::memory_order_acquire)) unlink(slot.path);
  }
  // The default action ends the process, and its status still tells of the signal.
  ::signal(signal_number, SIG_DFL);
  ::raise(signal_number);
}

// Installs the handlers once, except for signals the process ignores (as under nohup).
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
  });
}

std::size_t claim_slot(const std::string& path) {
  if (path.size() >= PATH_MAX) return kNoSlot;
  const std::lock_guard<std::mutex> lock(g_slots_mutex);
  for (std::size_t i = 0; i < kSlots; ++i) {
    if (g_slots[i].in_use.load(std::memory_order_relaxed)) continue;
    std::memcpy(g_slots[i].path, path.c_str(), path.size() + 1);
    g_slots[i].in_use.store(true, std::memory_order_release);
    return i;
  }
  return kNoSlot;
}

void release_slot(std::size_t slot) {
  if (slot == kNoSlot) return;
  const std::lock_guard<std::mutex> lock(g_slots_mutex);
  g_slots[slot].in_use.store(false, std::memory_order_release);
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

// A complete temporary file waiting for its name. It stays open until then: an unnamed one is
// linked into the folder through its descriptor.
struct AtomicFile::Pending {
  std::FILE* stream = nullptr;
  std::string temporary_path;  // empty for an unnamed file
  std::string target;
  std::size_t slot = kNoSlot;
  bool placed = false;

  Pending() = default;
  Pending(const Pending&) = delete;
  Pending& operator=(const Pending&) = delete;
  ~Pending() {
    if (stream != nullptr) std::fclose(stream);
    if (!placed && !temporary_path.empty()) unlink(temporary_path.c_str());
    release_slot(slot);
  }

  // Gives the file its name: a named temporary file by rename; an unnamed one is first linked
  // under a fresh hidden name, since a link cannot replace an existing file.
  bool place() {
    if (temporary_path.empty()) {
      std::string folder;
      std::string name;
      split_path(target, folder, name);
      const std::string source = "/proc/self/fd/" + std::to_string(fileno(stream));
      std::random_device seed;
      std::mt19937 draw(seed());
      for (int attempt = 0; attempt < 100 && temporary_path.empty(); ++attempt) {
        const std::string candidate =
            in_folder(folder, ".meshprobe-" + std::to_string(draw() % 1000000u));
        const SignalsHeld held;
        if (linkat(AT_FDCWD, source.c_str(), AT_FDCWD, candidate.c_str(), AT_SYMLINK_FOLLOW) == 0) {
          temporary_path = candidate;
          slot = claim_slot(candidate);
        } else if (errno != EEXIST) {
          return false;
        }
      }
      if (temporary_path.empty()) return false;
    }
    if (std::rename(temporary_path.c_str(), target.c_str()) != 0) return false;
    placed = true;
    return true;
  }
};

AtomicFile::AtomicFile(const std::string& path) : target_(output_target(path)) {
  install_handlers();
  int descriptor = -1;
  switch (target_.kind) {
    case OutputTarget::Kind::kRefused:
      return;
    case OutputTarget::Kind::kStream:
      descriptor = target_.descriptor >= 0
                       ? fcntl(target_.descriptor, F_DUPFD_CLOEXEC, 0)
                       : open(target_.path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
      if (descriptor < 0) return;
      stream_ = fdopen(descriptor, "w");
      if (stream_ == nullptr) close(descriptor);
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
  descriptor = open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
  if (descriptor < 0) {
    // File systems without unnamed files: a hidden named one, which the handlers remove.
    const SignalsHeld held;
    descriptor = create_temporary(folder, pending->temporary_path);
    if (descriptor >= 0) pending->slot = claim_slot(pending->temporary_path);
  }
  if (descriptor < 0) return;
  if (keep && (existing.st_uid != geteuid() || existing.st_gid != getegid())) {
    // Only a privileged process may give the file away; others keep their own ownership.
    const int given = fchown(descriptor, existing.st_uid, existing.st_gid);
    (void)given;
  }
  // After the owner, which clears the set-user and set-group bits.
  fchmod(descriptor, mode);
  pending->stream = fdopen(descriptor, "w");
  if (pending->stream == nullptr) {
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

bool AtomicFile::commit() {
  if (stream_ == nullptr || committed_) return false;
  const bool written = std::ferror(stream_) == 0 && std::fflush(stream_) == 0;
  if (target_.kind == OutputTarget::Kind::kStream) {
    const bool closed = std::fclose(stream_) == 0;
    stream_ = nullptr;
    committed_ = written && closed;
    return committed_;
  }
  stream_ = nullptr;  // owned by pending_ from here on
  // Synced before the rename: after a power loss the name holds either the old file or the
  // complete new one, never an empty file.
  if (!written || fsync(fileno(pending_->stream)) != 0) {
    pending_.reset();
    return false;
  }
  if (g_batch != nullptr) {
    g_batch->pending_.push_back(std::move(pending_));
    committed_ = true;
    return true;
  }
  committed_ = pending_->place();
  pending_.reset();
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
  bool ok = true;
  for (auto& pending : pending_)
    ok = ok && pending->place();
  pending_.clear();
  return ok;
}

bool can_create(const std::string& path, std::string& why, bool* special) {
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
