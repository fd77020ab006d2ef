#include "support/wholefile.h"

#include <algorithm>
#include <stdexcept>

#include "platform/os.h"
#include "support/debug.h"

namespace rb {
namespace {

constexpr int kLockAttempts = 10;
constexpr win::DWORD kLockRetryMs = 1000;
// Reads and writes move at most this much per call, within what a DWORD counts.
constexpr std::size_t kChunkBytes = std::size_t{1} << 30;

// An open file, closed (and unlocked) on every path.
class OpenFile {
 public:
  OpenFile(os::Platform& platform, win::HANDLE handle) : p_(platform), handle_(handle) {}
  ~OpenFile() {
    if (locked_ > 0) p_.UnlockFile(handle_, 0, locked_);
    if (Valid()) p_.CloseHandle(handle_);
  }
  OpenFile(const OpenFile&) = delete;
  OpenFile& operator=(const OpenFile&) = delete;

  bool Valid() const { return handle_ != win::INVALID_HANDLE_VALUE && handle_ != nullptr; }
  win::HANDLE Get() const { return handle_; }
  // Closes now; false when closing failed (written data may then be lost).
  bool Close() {
    const bool closed = !Valid() || p_.CloseHandle(handle_);
    handle_ = win::INVALID_HANDLE_VALUE;
    locked_ = 0;  // closing released the lock
    return closed;
  }
  void LockWhole(std::uint64_t length) {
    for (int attempt = 0; attempt < kLockAttempts; ++attempt) {
      if (attempt > 0) p_.Sleep(kLockRetryMs);
      if (p_.LockFile(handle_, 0, length)) {
        locked_ = length;
        return;
      }
    }
  }

 private:
  os::Platform& p_;
  win::HANDLE handle_;
  std::uint64_t locked_ = 0;
};

// Writes every byte; false at the first write that fails or moves nothing.
bool WriteAll(os::Platform& p, win::HANDLE file, std::string_view bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    win::DWORD put = 0;
    const auto chunk = static_cast<win::DWORD>(std::min(bytes.size() - done, kChunkBytes));
    if (!p.WriteFile(file, bytes.data() + done, chunk, &put) || put == 0) return false;
    done += put;
  }
  return true;
}

}  // namespace

WholeFile ReadWholeFile(const std::string& path, std::uint64_t maxBytes, bool lockAgainstWriters,
                        os::Platform* platform) {
  os::Platform& p = platform != nullptr ? *platform : os::Current();
  WholeFile result;
  OpenFile file(p, p.CreateFile(path, win::GENERIC_READ, win::FILE_SHARE_READ | win::FILE_SHARE_WRITE,
                                win::OPEN_EXISTING, win::FILE_ATTRIBUTE_NORMAL));
  if (!file.Valid()) return result;
  const auto refuse = [&](const std::string& problem) {
    result.status = WholeFile::Status::kRefused;
    result.problem = problem;
    DebugPrint("%s not read: %s\n", path.c_str(), problem.c_str());
    return result;
  };
  // Only a regular file has an end to wait for: a FIFO or a device would keep the reader forever.
  if (p.GetFileType(file.Get()) != win::FILE_TYPE_DISK) return refuse("not a regular file");
  std::int64_t length = 0;
  if (!p.SetFilePointer(file.Get(), 0, &length, win::FILE_END) ||
      !p.SetFilePointer(file.Get(), 0, nullptr, win::FILE_BEGIN)) {
    result.status = WholeFile::Status::kFailed;
    result.problem = "cannot read";
    return result;
  }
  if (length < 0 || static_cast<std::uint64_t>(length) > maxBytes)
    return refuse("larger than " + std::to_string(maxBytes) + " bytes");
  if (lockAgainstWriters && length > 0) file.LockWhole(static_cast<std::uint64_t>(length));
  // The file may shrink while it is read, never grow into the result: the length read is the bound.
  result.bytes.assign(static_cast<std::size_t>(length), '\0');
  std::size_t done = 0;
  while (done < result.bytes.size()) {
    win::DWORD got = 0;
    const auto chunk = static_cast<win::DWORD>(std::min(result.bytes.size() - done, kChunkBytes));
    if (!p.ReadFile(file.Get(), result.bytes.data() + done, chunk, &got)) {
      result.status = WholeFile::Status::kFailed;
      result.problem = "cannot read";
      result.bytes.clear();
      return result;
    }
    if (got == 0) break;
    done += got;
  }
  result.bytes.resize(done);
  result.status = WholeFile::Status::kRead;
  return result;
}

bool WriteWholeFile(const std::string& path, std::string_view bytes) {
  os::Platform& p = os::Current();
  OpenFile file(p, p.CreateFile(path, win::GENERIC_READ | win::GENERIC_WRITE, 0, win::CREATE_ALWAYS,
                                win::FILE_ATTRIBUTE_NORMAL));
  if (!file.Valid()) {
    DebugPrint("Cannot create %s (error %lu)\n", path.c_str(), static_cast<unsigned long>(p.GetLastError()));
    return false;
  }
  // A FIFO or a device under the name would take the bytes elsewhere, or keep the writer waiting.
  if (p.GetFileType(file.Get()) != win::FILE_TYPE_DISK) {
    DebugPrint("Not writing %s: not a regular file\n", path.c_str());
    return false;
  }
  const bool written = WriteAll(p, file.Get(), bytes);
  const bool closed = file.Close();
  if (!written || !closed) DebugPrint("Cannot write %s\n", path.c_str());
  return written && closed;
}

void ReplaceWholeFile(const std::string& path, std::string_view bytes) {
  os::Platform& p = os::Current();
  const std::string temporary = path + ".new";
  // The temporary name is created afresh and never followed through a link; a stale one from a save
  // that was cut off is replaced.
  OpenFile file(
      p, p.CreateFile(temporary, win::GENERIC_WRITE, 0, win::CREATE_ALWAYS, win::FILE_ATTRIBUTE_NORMAL));
  if (!file.Valid())
    throw std::runtime_error("cannot create " + temporary + " (error " + std::to_string(p.GetLastError()) +
                             ")");
  const bool written = WriteAll(p, file.Get(), bytes) && p.FlushFileBuffers(file.Get());
  const win::DWORD error = p.GetLastError();
  if (!file.Close() || !written) {
    p.DeleteFile(temporary);
    throw std::runtime_error("cannot write " + temporary + " (error " + std::to_string(error) + ")");
  }
  if (!p.MoveFile(temporary, path)) {
    const win::DWORD moveError = p.GetLastError();
    p.DeleteFile(temporary);
    throw std::runtime_error("cannot rename " + temporary + " to " + path + " (error " +
                             std::to_string(moveError) + ")");
  }
}

}  // namespace rb
