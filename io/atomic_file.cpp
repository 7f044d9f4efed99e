#include "io/atomic_file.h"

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
#include <vector>

namespace meshprobe {

namespace {

constexpr char kTemporaryName[] = ".meshprobe-XXXXXX";

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

// New files get the usual permissions (rw for all, minus the umask), which mkstemp's 0600 lacks.
void give_default_permissions(int descriptor) {
  const mode_t mask = umask(0);
  umask(mask);
  fchmod(descriptor, 0666 & ~mask);
}

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

// Creates the temporary file in `folder`; its descriptor, or -1 with errno set.
int create_temporary(const std::string& folder, std::string& temporary_path) {
  std::string pattern = (folder == "/" ? "" : folder) + "/" + kTemporaryName;
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int descriptor = mkstemp(name.data());
  if (descriptor >= 0) temporary_path = name.data();
  return descriptor;
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

}  // namespace

AtomicFile::AtomicFile(const std::string& path) : path_(path), slot_(kNoSlot) {
  install_handlers();
  std::string folder;
  std::string name;
  split_path(path, folder, name);
  int descriptor = -1;
  {
    const SignalsHeld held;
    descriptor = create_temporary(folder, temporary_path_);
    if (descriptor >= 0) slot_ = claim_slot(temporary_path_);
  }
  if (descriptor < 0) return;
  give_default_permissions(descriptor);
  stream_ = fdopen(descriptor, "w");
  if (stream_ == nullptr) {
    close(descriptor);
    std::remove(temporary_path_.c_str());
    release_slot(slot_);
    slot_ = kNoSlot;
    temporary_path_.clear();
  }
}

AtomicFile::~AtomicFile() {
  if (stream_ != nullptr) std::fclose(stream_);
  if (!committed_ && !temporary_path_.empty()) std::remove(temporary_path_.c_str());
  release_slot(slot_);
}

bool AtomicFile::commit() {
  if (stream_ == nullptr) return false;
  // Synced before the rename: after a power loss the name holds either the old file or the
  // complete new one, never an empty file.
  const bool written =
      std::ferror(stream_) == 0 && std::fflush(stream_) == 0 && fsync(fileno(stream_)) == 0;
  const bool closed = std::fclose(stream_) == 0;
  stream_ = nullptr;
  if (!written || !closed) return false;
  if (std::rename(temporary_path_.c_str(), path_.c_str()) != 0) return false;
  committed_ = true;
  return true;
}

bool can_create(const std::string& path, std::string& why) {
  std::string folder;
  std::string name;
  split_path(path, folder, name);
  struct stat about {};
  if (stat(folder.c_str(), &about) != 0 || !S_ISDIR(about.st_mode)) {
    why = "the folder " + folder + " does not exist";
    return false;
  }
  if (name.empty() || (stat(path.c_str(), &about) == 0 && S_ISDIR(about.st_mode))) {
    why = "it is a folder";
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

}  // namespace meshprobe
