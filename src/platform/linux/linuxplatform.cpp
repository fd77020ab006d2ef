#include "platform/linux/linuxplatform.h"

#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <mutex>
#include <utility>
#include <vector>

#include "platform/devicepath.h"
#include "platform/libraryname.h"
#include "platform/linux/linuxexclusivehold.h"
#include "platform/linux/linuxfloppydrive.h"
#include "platform/linux/linuxmounts.h"
#include "platform/linux/linuxownport.h"
#include "platform/linux/linuxportdevice.h"
#include "platform/linux/linuxscsiport.h"
#include "platform/linux/linuxsetupdevices.h"
#include "platform/linux/linuxsmbios.h"
#include "platform/linux/linuxstoragemap.h"
#include "platform/linux/linuxtapedrive.h"
#include "platform/linux/linuxunitdevice.h"
#include "platform/linux/linuxwmi.h"
#include "platform/linux/processaffinity.h"
#include "platform/smbiostable.h"
#include "platform/tapehandle.h"
#include "support/stringutil.h"

namespace os {

namespace {

// The SCSI host and optical drive numbers the device namespace answers to, and the disk and tape
// numbers.
constexpr unsigned kScsiPortNames = 64;
constexpr unsigned kUnitNames = 256;

// Windows keeps the last error per thread, whichever backend object set it.
thread_local win::DWORD lastError = win::ERROR_SUCCESS;

bool Fail(win::DWORD error) {
  lastError = error;
  return false;
}

bool FailErrno(int error) {
  return Fail(WindowsErrorFromErrno(error));
}

std::string LocalPath(const std::string& path) {
  std::string local = path;
  std::replace(local.begin(), local.end(), '\\', '/');
  return local;
}

// Windows tells a missing file (ERROR_FILE_NOT_FOUND) from a missing directory on the way to it
// (ERROR_PATH_NOT_FOUND); open() answers ENOENT for both.
win::DWORD OpenError(int error, const std::string& localPath) {
  if (error != ENOENT) return WindowsErrorFromErrno(error);
  const auto slash = localPath.find_last_of('/');
  const std::string directory = slash == std::string::npos ? std::string(".")
                                : slash == 0               ? std::string("/")
                                                           : localPath.substr(0, slash);
  struct stat status;
  if (::stat(directory.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) return win::ERROR_PATH_NOT_FOUND;
  return win::ERROR_FILE_NOT_FOUND;
}

// Opens with the Windows creation disposition; `existed` tells whether the file was there before, which
// CREATE_ALWAYS and OPEN_ALWAYS report through the last error. Answers -1 with errno set on failure.
int OpenWithDisposition(const std::string& path, int flags, win::DWORD disposition, bool& existed) {
  constexpr mode_t kCreateMode = 0666;
  existed = disposition == win::OPEN_EXISTING || disposition == win::TRUNCATE_EXISTING;
  switch (disposition) {
    case win::CREATE_NEW:
      return ::open(path.c_str(), flags | O_CREAT | O_EXCL, kCreateMode);
    case win::OPEN_EXISTING:
      return ::open(path.c_str(), flags);
    case win::TRUNCATE_EXISTING:
      return ::open(path.c_str(), flags | O_TRUNC);
    case win::CREATE_ALWAYS:
    case win::OPEN_ALWAYS: {
      const int truncate = disposition == win::CREATE_ALWAYS ? O_TRUNC : 0;
      // Open the existing file or create a new one; another process may create or remove the file
      // between the two attempts, so a few rounds are allowed.
      for (int round = 0; round < 8; ++round) {
        int fd = ::open(path.c_str(), flags | truncate);
        if (fd >= 0 || errno != ENOENT) {
          existed = fd >= 0;
          return fd;
        }
        fd = ::open(path.c_str(), flags | O_CREAT | O_EXCL, kCreateMode);
        if (fd >= 0 || errno != EEXIST) return fd;
      }
      return -1;
    }
    default:
      errno = EINVAL;
      return -1;
  }
}

// Repeats a read or write until `count` bytes moved, the call answers 0 (end of file) or fails with
// anything but EINTR. `step(offset, remaining)` makes one system call.
template <class Step>
bool Transfer(win::DWORD count, win::DWORD* done, Step step) {
  win::DWORD moved = 0;
  bool ok = true;
  while (moved < count) {
    const ssize_t n = step(moved, count - moved);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      ok = FailErrno(errno);
      break;
    }
    if (n == 0) break;
    moved += static_cast<win::DWORD>(n);
  }
  if (done != nullptr) *done = moved;
  return ok;
}

struct LockRange {
  std::uint64_t offset;
  std::uint64_t length;

  bool Overlaps(const LockRange& other) const {
    if (length == 0 || other.length == 0) return false;
    return offset >= other.offset ? offset - other.offset < other.length : other.offset - offset < length;
  }
  bool operator==(const LockRange&) const = default;
};

}  // namespace

win::DWORD WindowsErrorFromErrno(int error) {
  switch (error) {
    case 0:
      return win::ERROR_SUCCESS;
    case ENOENT:
    case ENXIO:
    case ENODEV:
      return win::ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
      return win::ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR:
      return win::ERROR_ACCESS_DENIED;
    case EEXIST:
      return win::ERROR_FILE_EXISTS;
    case ELOOP:  // O_NOFOLLOW met a symbolic link
      return win::ERROR_ACCESS_DENIED;
    case EBADF:
      return win::ERROR_INVALID_HANDLE;
    case ENOMEM:
      return win::ERROR_NOT_ENOUGH_MEMORY;
    case EAGAIN:
      return win::ERROR_LOCK_VIOLATION;
    case EBUSY:
      return win::ERROR_SHARING_VIOLATION;
    case EINVAL:
      return win::ERROR_INVALID_PARAMETER;
    case EIO:
      return win::ERROR_IO_DEVICE;
    case ENOSPC:
      return win::ERROR_DISK_FULL;
    case EROFS:
      return win::ERROR_WRITE_PROTECT;
    case EMFILE:
    case ENFILE:
      return win::ERROR_TOO_MANY_OPEN_FILES;
    case ENAMETOOLONG:
      return win::ERROR_FILENAME_EXCED_RANGE;
    default:
      return win::ERROR_INVALID_FUNCTION;
  }
}

// An open file. Its byte-range locks are open-file-description locks, which belong to this handle
// alone (classic POSIX record locks belong to the process, so two handles of one process would never
// conflict and closing either would drop the locks of both).
class LinuxPlatform::FileHandle : public HandleObject {
 public:
  FileHandle(int fd, bool readable, bool writable) : fd_(fd), readable_(readable), writable_(writable) {}
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  ~FileHandle() override { ::close(fd_); }

  int Fd() const { return fd_; }
  bool Readable() const { return readable_; }
  bool Writable() const { return writable_; }

  bool Lock(LockRange range) {
    if (!readable_ && !writable_) return Fail(win::ERROR_ACCESS_DENIED);
    std::lock_guard guard(mutex_);
    for (const LockRange& held : locks_) {
      if (held.Overlaps(range)) return Fail(win::ERROR_LOCK_VIOLATION);
    }
    if (!SetKernelLock(range, writable_ ? F_WRLCK : F_RDLCK)) return false;
    locks_.push_back(range);
    return true;
  }

  bool Unlock(LockRange range) {
    std::lock_guard guard(mutex_);
    const auto held = std::find(locks_.begin(), locks_.end(), range);
    if (held == locks_.end()) return Fail(win::ERROR_NOT_LOCKED);
    if (!SetKernelLock(range, F_UNLCK)) return false;
    locks_.erase(held);
    return true;
  }

 private:
  bool SetKernelLock(LockRange range, short type) {
    // A zero-length range locks no byte; there is nothing to tell the kernel.
    if (range.length == 0) return true;
    constexpr auto kMaxOffset = static_cast<std::uint64_t>(std::numeric_limits<off_t>::max());
    if (range.offset > kMaxOffset) return Fail(win::ERROR_INVALID_PARAMETER);
    struct flock lock = {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = static_cast<off_t>(range.offset);
    // A range reaching past the largest offset the kernel knows covers everything from its start, which
    // is what a length of 0 means to fcntl.
    lock.l_len = range.length > kMaxOffset - range.offset ? 0 : static_cast<off_t>(range.length);
    if (::fcntl(fd_, F_OFD_SETLK, &lock) == 0) return true;
    return errno == EAGAIN || errno == EACCES ? Fail(win::ERROR_LOCK_VIOLATION) : FailErrno(errno);
  }

  const int fd_;
  const bool readable_;
  const bool writable_;
  std::mutex mutex_;
  std::vector<LockRange> locks_;
};

LinuxPlatform::LinuxPlatform(Roots roots, LinuxIoctlLayer& layer)
    : roots_(std::move(roots)), layer_(layer), registry_(roots_.sysfs) {
  devices_.Add("qxdvmkd", [](win::DWORD access, win::DWORD& error) -> std::shared_ptr<DeviceHandle> {
    return LinuxPortDevice::Open(LinuxPortDevice::kPortFile, access, error);
  });
  // SCSI hosts, the own port and optical drives by number (see linuxscsiport.h, linuxownport.h).
  for (unsigned n = 0; n < kScsiPortNames; ++n) {
    devices_.Add("SCSI" + std::to_string(n) + ":",
                 [this, n](win::DWORD, win::DWORD& error) -> std::shared_ptr<DeviceHandle> {
                   const LinuxStorageMap map = LinuxStorageMap::Scan(roots_.sysfs);
                   const LinuxScsiHost* host = map.Host(n);
                   if (host == nullptr) {
                     error = win::ERROR_FILE_NOT_FOUND;
                     return nullptr;
                   }
                   if (map.OwnPort() != n)
                     return LinuxScsiPort::Open(host->linuxHost, error, layer_, roots_.sysfs, roots_.dev);
                   error = win::ERROR_SUCCESS;
                   return std::make_shared<LinuxOwnPort>(map, layer_, roots_.dev);
                 });
    devices_.Add(
        "CDROM" + std::to_string(n),
        [this, n](win::DWORD access, win::DWORD& error) -> std::shared_ptr<DeviceHandle> {
          auto drive =
              LinuxOpticalDrive::Open(n, error, layer_, roots_.dev, (access & win::GENERIC_WRITE) != 0);
          const LinuxStorageMap map = LinuxStorageMap::Scan(roots_.sysfs);
          if (const LinuxStorageUnit* unit = map.FindByDosName("CdRom" + std::to_string(n));
              unit != nullptr && drive != nullptr)
            drive->SetAddress({sizeof(win::ScsiAddress), unit->port, unit->path, unit->target, unit->lun});
          return drive;
        });
  }
  // The floppy controller's drives.
  for (unsigned n = 0; n < kUnitNames; ++n) {
    devices_.Add("Floppy" + std::to_string(n),
                 [this, n](win::DWORD, win::DWORD& error) -> std::shared_ptr<DeviceHandle> {
                   return LinuxFloppyDrive::Open(n, error, layer_, roots_.dev);
                 });
  }
  // Disks and tapes by their DOS names.
  for (unsigned n = 0; n < kUnitNames; ++n) {
    for (const char* kind : {"PhysicalDrive", "Tape"}) {
      const std::string name = kind + std::to_string(n);
      devices_.Add(name, [this, name](win::DWORD, win::DWORD& error) -> std::shared_ptr<DeviceHandle> {
        const LinuxStorageMap map = LinuxStorageMap::Scan(roots_.sysfs);
        const LinuxStorageUnit* unit = map.FindByDosName(name);
        if (unit == nullptr) {
          error = win::ERROR_FILE_NOT_FOUND;
          return nullptr;
        }
        error = win::ERROR_SUCCESS;
        if (unit->kind == LinuxStorageUnit::kTape)
          return std::make_shared<LinuxTapeDrive>(*unit, layer_, roots_.sysfs, roots_.dev);
        return std::make_shared<LinuxUnitDevice>(*unit, layer_, roots_.sysfs, roots_.dev);
      });
    }
  }
}

std::shared_ptr<LinuxPlatform::FileHandle> LinuxPlatform::FindFile(win::HANDLE handle) const {
  auto file = handles_.FindAs<FileHandle>(handle);
  if (file == nullptr) Fail(win::ERROR_INVALID_HANDLE);
  return file;
}

win::HANDLE LinuxPlatform::CreateFile(const std::string& path, win::DWORD access, win::DWORD /*share*/,
                                      win::DWORD disposition, win::DWORD /*flagsAndAttributes*/) {
  if (IsDevicePath(path)) {
    win::DWORD error = win::ERROR_SUCCESS;
    auto device = devices_.Open(path, access, error);
    if (device == nullptr) {
      Fail(error);
      return win::INVALID_HANDLE_VALUE;
    }
    lastError = win::ERROR_SUCCESS;
    return handles_.Add(std::move(device));
  }
  const bool readable = (access & win::GENERIC_READ) != 0;
  const bool writable = (access & win::GENERIC_WRITE) != 0;
  // Truncating needs write access.
  if (disposition == win::TRUNCATE_EXISTING && !writable) {
    Fail(win::ERROR_INVALID_PARAMETER);
    return win::INVALID_HANDLE_VALUE;
  }
  // O_NONBLOCK: opening a FIFO must not wait for a writer (the caller asks GetFileType before reading);
  // it is taken off again below, so that reads and writes of the file block as usual. A file that is
  // created or truncated is never reached through a symbolic link: a link planted under a name the
  // component writes must not redirect the write.
  const bool creates = disposition != win::OPEN_EXISTING;
  const int flags = (writable ? (readable ? O_RDWR : O_WRONLY) : O_RDONLY) | O_CLOEXEC | O_NOCTTY |
                    O_NONBLOCK | (creates ? O_NOFOLLOW : 0);
  const std::string local = LocalPath(path);
  bool existed = false;
  const int fd = OpenWithDisposition(local, flags, disposition, existed);
  if (fd < 0) {
    Fail(OpenError(errno, local));
    return win::INVALID_HANDLE_VALUE;
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  // Windows opens a directory only with FILE_FLAG_BACKUP_SEMANTICS, for purposes this backend has no use for.
  struct stat status;
  if (::fstat(fd, &status) == 0 && S_ISDIR(status.st_mode)) {
    ::close(fd);
    Fail(win::ERROR_ACCESS_DENIED);
    return win::INVALID_HANDLE_VALUE;
  }
  win::HANDLE handle = handles_.Add(std::make_shared<FileHandle>(fd, readable, writable));
  const bool reportsExisting = disposition == win::CREATE_ALWAYS || disposition == win::OPEN_ALWAYS;
  lastError = reportsExisting && existed ? win::ERROR_ALREADY_EXISTS : win::ERROR_SUCCESS;
  return handle;
}

bool LinuxPlatform::CloseHandle(win::HANDLE handle) {
  // The descriptor closes when the last call still using the handle returns.
  return handles_.Remove(handle) != nullptr || Fail(win::ERROR_INVALID_HANDLE);
}

bool LinuxPlatform::ReadFile(win::HANDLE handle, void* buffer, win::DWORD toRead, win::DWORD* read) {
  if (read != nullptr) *read = 0;
  if (const auto device = handles_.FindAs<DeviceHandle>(handle)) {
    win::DWORD moved = 0;
    const win::DWORD error = device->Read(buffer, toRead, &moved);
    if (read != nullptr) *read = moved;
    return error == win::ERROR_SUCCESS || Fail(error);
  }
  const auto file = FindFile(handle);
  if (file == nullptr) return false;
  if (!file->Readable()) return Fail(win::ERROR_ACCESS_DENIED);
  auto* bytes = static_cast<char*>(buffer);
  return Transfer(toRead, read, [&](win::DWORD offset, win::DWORD remaining) {
    return ::read(file->Fd(), bytes + offset, remaining);
  });
}

bool LinuxPlatform::WriteFile(win::HANDLE handle, const void* buffer, win::DWORD toWrite,
                              win::DWORD* written) {
  if (written != nullptr) *written = 0;
  if (const auto device = handles_.FindAs<DeviceHandle>(handle)) {
    win::DWORD moved = 0;
    const win::DWORD error = device->Write(buffer, toWrite, &moved);
    if (written != nullptr) *written = moved;
    return error == win::ERROR_SUCCESS || Fail(error);
  }
  const auto file = FindFile(handle);
  if (file == nullptr) return false;
  if (!file->Writable()) return Fail(win::ERROR_ACCESS_DENIED);
  const auto* bytes = static_cast<const char*>(buffer);
  win::DWORD done = 0;
  const bool ok = Transfer(toWrite, &done, [&](win::DWORD offset, win::DWORD remaining) {
    return ::write(file->Fd(), bytes + offset, remaining);
  });
  if (written != nullptr) *written = done;
  // write() answering 0 for a non-empty request means no room is left.
  return ok && (done == toWrite || Fail(win::ERROR_DISK_FULL));
}

bool LinuxPlatform::SetFilePointer(win::HANDLE handle, std::int64_t distance, std::int64_t* newPosition,
                                   win::DWORD moveMethod) {
  if (const auto device = handles_.FindAs<DeviceHandle>(handle)) {
    const win::DWORD error = device->Seek(distance, moveMethod, newPosition);
    return error == win::ERROR_SUCCESS || Fail(error);
  }
  const auto file = FindFile(handle);
  if (file == nullptr) return false;
  int whence = SEEK_SET;
  switch (moveMethod) {
    case win::FILE_BEGIN:
      whence = SEEK_SET;
      break;
    case win::FILE_CURRENT:
      whence = SEEK_CUR;
      break;
    case win::FILE_END:
      whence = SEEK_END;
      break;
    default:
      return Fail(win::ERROR_INVALID_PARAMETER);
  }
  const off_t position = ::lseek(file->Fd(), static_cast<off_t>(distance), whence);
  if (position < 0) {
    // With a valid origin, EINVAL means the position would be negative.
    return errno == EINVAL ? Fail(win::ERROR_NEGATIVE_SEEK) : FailErrno(errno);
  }
  if (newPosition != nullptr) *newPosition = position;
  return true;
}

win::DWORD LinuxPlatform::GetFileType(win::HANDLE handle) {
  const auto file = handles_.FindAs<FileHandle>(handle);
  if (file == nullptr) {
    if (handles_.Find(handle) != nullptr) return win::FILE_TYPE_CHAR;  // a device of the namespace
    Fail(win::ERROR_INVALID_HANDLE);
    return win::FILE_TYPE_UNKNOWN;
  }
  struct stat status;
  if (::fstat(file->Fd(), &status) != 0) {
    FailErrno(errno);
    return win::FILE_TYPE_UNKNOWN;
  }
  lastError = win::ERROR_SUCCESS;
  if (S_ISREG(status.st_mode)) return win::FILE_TYPE_DISK;
  if (S_ISFIFO(status.st_mode) || S_ISSOCK(status.st_mode)) return win::FILE_TYPE_PIPE;
  return S_ISCHR(status.st_mode) || S_ISBLK(status.st_mode) ? win::FILE_TYPE_CHAR : win::FILE_TYPE_UNKNOWN;
}

bool LinuxPlatform::FlushFileBuffers(win::HANDLE handle) {
  const auto file = FindFile(handle);
  if (file == nullptr) return false;
  return ::fsync(file->Fd()) == 0 || FailErrno(errno);
}

bool LinuxPlatform::MoveFile(const std::string& from, const std::string& to) {
  const std::string target = LocalPath(to);
  if (::rename(LocalPath(from).c_str(), target.c_str()) != 0) return FailErrno(errno);
  // The new name is durable only once its directory is written through.
  const auto slash = target.find_last_of('/');
  const std::string directory = slash == std::string::npos ? "." : slash == 0 ? "/" : target.substr(0, slash);
  const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
    ::fsync(fd);
    ::close(fd);
  }
  return true;
}

bool LinuxPlatform::DeleteFile(const std::string& path) {
  return ::unlink(LocalPath(path).c_str()) == 0 || FailErrno(errno);
}

bool LinuxPlatform::LockFile(win::HANDLE handle, std::uint64_t offset, std::uint64_t length) {
  const auto file = FindFile(handle);
  return file != nullptr && file->Lock({offset, length});
}

bool LinuxPlatform::UnlockFile(win::HANDLE handle, std::uint64_t offset, std::uint64_t length) {
  const auto file = FindFile(handle);
  return file != nullptr && file->Unlock({offset, length});
}

bool LinuxPlatform::DeviceIoControl(win::HANDLE handle, win::DWORD code, const void* in, win::DWORD inLength,
                                    void* out, win::DWORD outLength, win::DWORD* returned) {
  if (returned != nullptr) *returned = 0;
  const auto object = handles_.Find(handle);
  if (object == nullptr) return Fail(win::ERROR_INVALID_HANDLE);
  auto* device = dynamic_cast<DeviceHandle*>(object.get());
  if (device == nullptr) return Fail(win::ERROR_INVALID_FUNCTION);
  const win::DWORD error = device->Request(code, in, inLength, out, outLength, returned);
  return error == win::ERROR_SUCCESS || Fail(error);
}

win::DWORD LinuxPlatform::GetLastError() {
  return lastError;
}

void LinuxPlatform::SetLastError(win::DWORD error) {
  lastError = error;
}

void LinuxPlatform::OutputDebugString(const char* /*text*/) {}

bool LinuxPlatform::GetProcessAffinityMask(std::uint64_t* processMask, std::uint64_t* systemMask) {
  std::uint64_t process = 0;
  std::uint64_t system = 0;
  if (const win::DWORD error = ReadProcessAffinity(process, system)) return Fail(error);
  if (processMask != nullptr) *processMask = process;
  if (systemMask != nullptr) *systemMask = system;
  return true;
}

bool LinuxPlatform::SetProcessAffinityMask(std::uint64_t mask) {
  const win::DWORD error = WriteProcessAffinity(mask);
  return error == win::ERROR_SUCCESS || Fail(error);
}

win::DWORD LinuxPlatform::GetCurrentThreadId() {
  return static_cast<win::DWORD>(::gettid());
}

std::optional<std::string> LinuxPlatform::GetEnvironmentVariable(const std::string& name) {
  const char* value = std::getenv(name.c_str());
  if (value == nullptr) {
    Fail(win::ERROR_ENVVAR_NOT_FOUND);
    return std::nullopt;
  }
  return std::string(value);
}

std::uint64_t LinuxPlatform::GetTickCount64() {
  struct timespec now;
  ::clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::uint64_t>(now.tv_sec) * 1000u + static_cast<std::uint64_t>(now.tv_nsec) / 1000000u;
}

void LinuxPlatform::Sleep(win::DWORD milliseconds) {
  struct timespec remaining;
  remaining.tv_sec = static_cast<time_t>(milliseconds / 1000u);
  remaining.tv_nsec = static_cast<long>(milliseconds % 1000u) * 1000000L;
  while (::nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {
  }
}

std::tm LinuxPlatform::LocalTime() {
  const std::time_t now = std::time(nullptr);
  std::tm local = {};
  ::localtime_r(&now, &local);
  return local;
}

bool LinuxPlatform::GetFixedLogicalDisks(std::vector<LogicalDisk>* disks) {
  return ReadFixedLogicalDisks(roots_.mountTable, roots_.dev + "/disk/by-label", disks);
}

std::string ModuleDirectory() {
  Dl_info info{};
  if (::dladdr(reinterpret_cast<void*>(&ModuleDirectory), &info) == 0 || info.dli_fname == nullptr) return {};
  const std::string path = info.dli_fname;
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

win::HMODULE LinuxPlatform::LoadLibrary(const std::string& name) {
  const std::string file = UnixLibraryFileName(name);
  void* module = nullptr;
  if (file.find('/') == std::string::npos) {
    const std::string beside = ModuleDirectory() + file;
    if (!beside.empty() && ::access(beside.c_str(), F_OK) == 0)
      module = ::dlopen(beside.c_str(), RTLD_NOW | RTLD_LOCAL);
  }
  if (module == nullptr) module = ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) lastError = win::ERROR_MOD_NOT_FOUND;
  return module;
}

void* LinuxPlatform::GetProcAddress(win::HMODULE module, const std::string& name) {
  if (module == nullptr) {
    lastError = win::ERROR_INVALID_HANDLE;
    return nullptr;
  }
  void* symbol = ::dlsym(module, name.c_str());
  if (symbol == nullptr) lastError = win::ERROR_PROC_NOT_FOUND;
  return symbol;
}

bool LinuxPlatform::FreeLibrary(win::HMODULE module) {
  if (module == nullptr || ::dlclose(module) != 0) return Fail(win::ERROR_INVALID_HANDLE);
  return true;
}

win::DWORD LinuxPlatform::RegOpenKey(win::HKEY root, const std::string& subKey, win::DWORD, win::HKEY* key) {
  return registry_.Open(root, subKey, key);
}

win::DWORD LinuxPlatform::RegCloseKey(win::HKEY key) {
  return registry_.Close(key);
}

win::DWORD LinuxPlatform::RegQueryValue(win::HKEY key, const std::string& name, win::DWORD* type, void* data,
                                        win::DWORD* size) {
  return registry_.QueryValue(key, name, type, data, size);
}

win::DWORD LinuxPlatform::QueryDosDevice(const std::string& name, char* buffer, win::DWORD size) {
  const LinuxStorageMap map = LinuxStorageMap::Scan(roots_.sysfs);
  std::vector<std::pair<std::string, std::string>> names;  // DOS name, what it stands for
  for (const LinuxStorageUnit& unit : map.Units()) {
    const std::string dosName = unit.DosName();
    if (unit.kind == LinuxStorageUnit::kDisk)
      names.emplace_back(
          dosName, "\\Device\\Harddisk" + std::to_string(unit.number) + "\\DR" + std::to_string(unit.number));
    else if (!dosName.empty())
      names.emplace_back(dosName, "\\Device\\" + dosName);
  }
  for (const unsigned floppy : LinuxFloppyDrive::List(roots_.sysfs))
    names.emplace_back("Floppy" + std::to_string(floppy), "\\Device\\Floppy" + std::to_string(floppy));
  for (const LinuxScsiHost& host : map.Hosts())
    names.emplace_back("Scsi" + std::to_string(host.number) + ":",
                       "\\Device\\ScsiPort" + std::to_string(host.number));

  std::string list;
  for (const auto& [dosName, target] : names) {
    if (name.empty())
      list += dosName + '\0';
    else if (rb::EqualsNoCase(name, dosName))
      list = target + '\0';
  }
  if (list.empty() && !name.empty()) {
    lastError = win::ERROR_FILE_NOT_FOUND;
    return 0;
  }
  list += '\0';
  if (buffer == nullptr || list.size() > size) {
    lastError = win::ERROR_INSUFFICIENT_BUFFER;
    return 0;
  }
  std::memcpy(buffer, list.data(), list.size());
  lastError = win::ERROR_SUCCESS;
  return static_cast<win::DWORD>(list.size());
}

SetupResult LinuxPlatform::SetupEnumerate(const win::Guid& setupClass, const win::Guid& interfaceClass,
                                          std::vector<SetupDevice>* devices) {
  ListSetupDevices(LinuxStorageMap::Scan(roots_.sysfs), setupClass, interfaceClass, devices);
  // The floppy controller's drives, as its enumerator names them.
  if (setupClass == win::GUID_DEVCLASS_FLOPPYDISK && interfaceClass == win::GUID_DEVINTERFACE_FLOPPY) {
    for (const unsigned floppy : LinuxFloppyDrive::List(roots_.sysfs)) {
      SetupDevice device;
      device.instanceId = "FDC\\GENERIC_FLOPPY_DRIVE\\6&1F7D6AF6&0&" + std::to_string(floppy);
      device.devicePath = "\\\\.\\Floppy" + std::to_string(floppy);
      device.AddText(win::SPDRP_FRIENDLYNAME, "Floppy disk drive");
      device.AddText(win::SPDRP_DEVICEDESC, "Floppy disk drive");
      device.AddText(win::SPDRP_ENUMERATOR_NAME, "FDC");
      devices->push_back(std::move(device));
    }
  }
  lastError = win::ERROR_SUCCESS;
  return SetupResult::kOk;
}

bool LinuxPlatform::WmiQuery(const std::string& nameSpace, const std::string& query,
                             std::vector<WmiRow>* rows) {
  rows->clear();
  if (!rb::EqualsNoCase(nameSpace, "\\\\.\\root\\cimv2") && !rb::EqualsNoCase(nameSpace, "root\\cimv2"))
    return false;
  std::vector<LogicalDisk> fixedDisks;
  ReadFixedLogicalDisks(roots_.mountTable, roots_.dev + "/disk/by-label", &fixedDisks);
  WmiRepository repository;
  FillWmiRepository(LinuxStorageMap::Scan(roots_.sysfs), fixedDisks, ReadDeviceMountPoints(roots_.mountTable),
                    &repository);
  return repository.Query(query, rows);
}

win::DWORD LinuxPlatform::GetSystemFirmwareTable(win::DWORD provider, win::DWORD tableId, void* buffer,
                                                 win::DWORD size) {
  if (provider != win::RSMB || tableId != 0) {
    lastError = win::ERROR_INVALID_PARAMETER;
    return 0;
  }
  const std::vector<std::uint8_t> table = ReadLinuxSmbios("/sys");
  if (table.empty()) {
    lastError = win::ERROR_NOT_SUPPORTED;
    return 0;
  }
  return CopyFirmwareTable(table, buffer, size, lastError);
}

bool LinuxPlatform::HoldDiskForWriting(const std::string& devicePath, const win::ScsiAddress& address,
                                       std::vector<win::HANDLE>* holds) {
  holds->clear();
  const LinuxStorageMap map = LinuxStorageMap::Scan(roots_.sysfs);
  std::string name = IsDevicePath(devicePath) ? devicePath.substr(kDevicePrefix.size()) : devicePath;
  const LinuxStorageUnit* unit = nullptr;
  if (!name.empty() && name.back() == ':') {
    // "\\.\SCSIn:": the unit at the address on port n.
    unit = map.Find(static_cast<unsigned>(std::atoi(name.c_str() + 4)), address.PathId, address.TargetId,
                    address.Lun);
  } else {
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (const LinuxStorageUnit& candidate : map.Units()) {
      std::string dosName = candidate.DosName();
      for (char& c : dosName) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      if (!dosName.empty() && dosName == name) unit = &candidate;
    }
  }
  std::string node = unit != nullptr ? unit->node : std::string();
  // The floppy controller's drives are no unit of the map: "floppyN" is /dev/fdN.
  if (unit == nullptr && name.rfind("floppy", 0) == 0 && name.size() > 6) node = "fd" + name.substr(6);
  if (node.empty()) return true;
  const int fd = ::open((roots_.dev + "/" + node).c_str(), O_RDONLY | O_EXCL | O_CLOEXEC);
  if (fd < 0) {
    // ENOENT: the system has no block device for it, so nothing can be mounted on it.
    if (errno == ENOENT || errno == ENXIO) return true;
    return Fail(errno == EBUSY ? win::ERROR_BUSY : WindowsErrorFromErrno(errno));
  }
  struct stat status {};
  const dev_t device = ::fstat(fd, &status) == 0 && S_ISBLK(status.st_mode) ? status.st_rdev : 0;
  holds->push_back(handles_.Add(std::make_shared<LinuxExclusiveHold>(fd, device)));
  lastError = win::ERROR_SUCCESS;
  return true;
}

// The tape functions answer their error and leave it as the last error, as on Windows.
win::DWORD LinuxPlatform::GetTapeStatus(win::HANDLE handle) {
  lastError = OnTape(handles_, handle, [](TapeHandle& tape) { return tape.TapeStatus(); });
  return lastError;
}

win::DWORD LinuxPlatform::GetTapeParameters(win::HANDLE handle, win::DWORD operation, win::DWORD* size,
                                            void* information) {
  lastError = OnTape(handles_, handle,
                     [&](TapeHandle& tape) { return tape.TapeParameters(operation, size, information); });
  return lastError;
}

win::DWORD LinuxPlatform::SetTapePosition(win::HANDLE handle, win::DWORD method, win::DWORD partition,
                                          win::DWORD offsetLow, win::DWORD offsetHigh, bool immediate) {
  const std::uint64_t offset = std::uint64_t{offsetHigh} << 32 | offsetLow;
  lastError = OnTape(handles_, handle, [&](TapeHandle& tape) {
    return tape.TapePosition(method, partition, offset, immediate);
  });
  return lastError;
}

win::DWORD LinuxPlatform::WriteTapemark(win::HANDLE handle, win::DWORD type, win::DWORD count,
                                        bool immediate) {
  lastError =
      OnTape(handles_, handle, [&](TapeHandle& tape) { return tape.Tapemark(type, count, immediate); });
  return lastError;
}

}  // namespace os
