#include "platform/linux/linuxplatform.h"

#include <errno.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "platform/scratchdir.h"

namespace {

using win::DWORD;
using win::HANDLE;

std::string Backslashed(std::string path) {
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

std::string Pattern(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xff);
  return bytes;
}

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class LinuxPlatformTest : public testing::Test {
 protected:
  HANDLE Open(const std::string& path, DWORD access, DWORD disposition = win::OPEN_EXISTING) {
    return platform.CreateFile(path, access, win::FILE_SHARE_READ | win::FILE_SHARE_WRITE, disposition,
                               win::FILE_ATTRIBUTE_NORMAL);
  }

  os::LinuxPlatform platform;
  rbtest::ScratchDir dir;
};

TEST_F(LinuxPlatformTest, FileRoundTripThroughBackslashPath) {
  std::filesystem::create_directory(dir.File("data"));
  const std::string path = Backslashed(dir.File("data/blob.bin"));
  const std::string content = Pattern(70000);

  HANDLE out = Open(path, win::GENERIC_WRITE, win::CREATE_NEW);
  ASSERT_NE(out, win::INVALID_HANDLE_VALUE) << platform.GetLastError();
  DWORD written = 0;
  ASSERT_TRUE(platform.WriteFile(out, content.data(), static_cast<DWORD>(content.size()), &written));
  EXPECT_EQ(written, content.size());
  ASSERT_TRUE(platform.CloseHandle(out));
  EXPECT_EQ(Slurp(dir.File("data/blob.bin")), content);

  HANDLE in = Open(path, win::GENERIC_READ);
  ASSERT_NE(in, win::INVALID_HANDLE_VALUE) << platform.GetLastError();
  std::string back(content.size() + 100, '\0');
  DWORD read = 0;
  ASSERT_TRUE(platform.ReadFile(in, back.data(), static_cast<DWORD>(back.size()), &read));
  EXPECT_EQ(read, content.size());
  back.resize(read);
  EXPECT_EQ(back, content);
  // At the end of the file a read succeeds with nothing.
  ASSERT_TRUE(platform.ReadFile(in, back.data(), 10, &read));
  EXPECT_EQ(read, 0u);
  EXPECT_TRUE(platform.CloseHandle(in));
}

TEST_F(LinuxPlatformTest, CreationDispositions) {
  constexpr std::int64_t kAbsent = -1;
  struct Case {
    DWORD disposition;
    bool exists;
    bool opens;
    DWORD lastError;
    std::int64_t sizeAfter;  // the file's size afterwards, kAbsent when there is no file
  };
  const Case cases[] = {
      {win::CREATE_NEW, true, false, win::ERROR_FILE_EXISTS, 3},
      {win::CREATE_NEW, false, true, win::ERROR_SUCCESS, 0},
      {win::CREATE_ALWAYS, true, true, win::ERROR_ALREADY_EXISTS, 0},
      {win::CREATE_ALWAYS, false, true, win::ERROR_SUCCESS, 0},
      {win::OPEN_EXISTING, true, true, win::ERROR_SUCCESS, 3},
      {win::OPEN_EXISTING, false, false, win::ERROR_FILE_NOT_FOUND, kAbsent},
      {win::OPEN_ALWAYS, true, true, win::ERROR_ALREADY_EXISTS, 3},
      {win::OPEN_ALWAYS, false, true, win::ERROR_SUCCESS, 0},
      {win::TRUNCATE_EXISTING, true, true, win::ERROR_SUCCESS, 0},
      {win::TRUNCATE_EXISTING, false, false, win::ERROR_FILE_NOT_FOUND, kAbsent},
      {9, true, false, win::ERROR_INVALID_PARAMETER, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "disposition " << c.disposition << (c.exists ? " over a file" : ""));
    const std::string path = dir.File("target");
    std::filesystem::remove(path);
    if (c.exists) dir.Write("target", "old");
    platform.SetLastError(12345);

    HANDLE handle = Open(path, win::GENERIC_READ | win::GENERIC_WRITE, c.disposition);
    EXPECT_EQ(handle != win::INVALID_HANDLE_VALUE, c.opens);
    EXPECT_EQ(platform.GetLastError(), c.lastError);
    if (handle != win::INVALID_HANDLE_VALUE) platform.CloseHandle(handle);
    const std::int64_t size =
        std::filesystem::exists(path) ? static_cast<std::int64_t>(std::filesystem::file_size(path)) : kAbsent;
    EXPECT_EQ(size, c.sizeAfter);
  }
}

TEST_F(LinuxPlatformTest, OpenFailuresAnswerWindowsErrors) {
  dir.Write("plain", "x");
  struct Case {
    std::string path;
    DWORD error;
  };
  const Case cases[] = {
      {dir.File("missing.bin"), win::ERROR_FILE_NOT_FOUND},
      {Backslashed(dir.File("missing.bin")), win::ERROR_FILE_NOT_FOUND},
      {Backslashed(dir.File("nodir/file.bin")), win::ERROR_PATH_NOT_FOUND},
      {dir.File("plain/file.bin"), win::ERROR_PATH_NOT_FOUND},
      {dir.Path(), win::ERROR_ACCESS_DENIED},
      // Names of the device namespace that no machine of the tests has.
      {"\\\\.\\PhysicalDrive255", win::ERROR_FILE_NOT_FOUND},
      {"\\\\.\\SCSI63:", win::ERROR_FILE_NOT_FOUND},
      {"\\\\.\\Tape200", win::ERROR_FILE_NOT_FOUND},
  };
  for (const Case& c : cases) {
    platform.SetLastError(win::ERROR_SUCCESS);
    EXPECT_EQ(Open(c.path, win::GENERIC_READ), win::INVALID_HANDLE_VALUE) << c.path;
    EXPECT_EQ(platform.GetLastError(), c.error) << c.path;
  }
}

TEST_F(LinuxPlatformTest, SeekMovesAndRefusesNegativePositions) {
  const std::string content = Pattern(100);
  HANDLE file = Open(dir.Write("seek", content), win::GENERIC_READ);
  ASSERT_NE(file, win::INVALID_HANDLE_VALUE);
  struct Step {
    std::int64_t distance;
    DWORD method;
    std::int64_t position;  // where the pointer is afterwards
    DWORD error;            // ERROR_SUCCESS when the move succeeds
  };
  const Step steps[] = {
      {0, win::FILE_END, 100, win::ERROR_SUCCESS},
      {10, win::FILE_BEGIN, 10, win::ERROR_SUCCESS},
      {-4, win::FILE_CURRENT, 6, win::ERROR_SUCCESS},
      {-7, win::FILE_CURRENT, 6, win::ERROR_NEGATIVE_SEEK},
      {-1, win::FILE_BEGIN, 6, win::ERROR_NEGATIVE_SEEK},
      {-101, win::FILE_END, 6, win::ERROR_NEGATIVE_SEEK},
      {0, 3, 6, win::ERROR_INVALID_PARAMETER},
      {5, win::FILE_END, 105, win::ERROR_SUCCESS},
      {-95, win::FILE_CURRENT, 10, win::ERROR_SUCCESS},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(testing::Message() << s.distance << " from " << s.method);
    platform.SetLastError(win::ERROR_SUCCESS);
    std::int64_t reported = -1;
    EXPECT_EQ(platform.SetFilePointer(file, s.distance, &reported, s.method), s.error == win::ERROR_SUCCESS);
    EXPECT_EQ(platform.GetLastError(), s.error);
    if (s.error == win::ERROR_SUCCESS) {
      EXPECT_EQ(reported, s.position);
    }
    std::int64_t position = -1;
    ASSERT_TRUE(platform.SetFilePointer(file, 0, &position, win::FILE_CURRENT));
    EXPECT_EQ(position, s.position);
  }
  // Reading starts where the pointer stands.
  char bytes[4];
  DWORD read = 0;
  ASSERT_TRUE(platform.ReadFile(file, bytes, sizeof bytes, &read));
  EXPECT_EQ(std::string(bytes, read), content.substr(10, 4));
  platform.CloseHandle(file);
}

TEST_F(LinuxPlatformTest, CallsCheckHandleAndAccess) {
  const std::string path = dir.Write("access", "abc");
  char byte = 0;
  DWORD moved = 7;
  HANDLE readOnly = Open(path, win::GENERIC_READ);
  EXPECT_FALSE(platform.WriteFile(readOnly, "z", 1, &moved));
  EXPECT_EQ(platform.GetLastError(), win::ERROR_ACCESS_DENIED);
  EXPECT_EQ(moved, 0u);
  HANDLE writeOnly = Open(path, win::GENERIC_WRITE);
  EXPECT_FALSE(platform.ReadFile(writeOnly, &byte, 1, &moved));
  EXPECT_EQ(platform.GetLastError(), win::ERROR_ACCESS_DENIED);
  EXPECT_TRUE(platform.CloseHandle(writeOnly));
  EXPECT_TRUE(platform.CloseHandle(readOnly));

  for (HANDLE dead : {readOnly, win::INVALID_HANDLE_VALUE, static_cast<HANDLE>(nullptr)}) {
    platform.SetLastError(win::ERROR_SUCCESS);
    EXPECT_FALSE(platform.ReadFile(dead, &byte, 1, &moved));
    EXPECT_EQ(platform.GetLastError(), win::ERROR_INVALID_HANDLE);
    platform.SetLastError(win::ERROR_SUCCESS);
    EXPECT_FALSE(platform.CloseHandle(dead));
    EXPECT_EQ(platform.GetLastError(), win::ERROR_INVALID_HANDLE);
  }
  EXPECT_EQ(Slurp(path), "abc");
}

TEST_F(LinuxPlatformTest, LocksBelongToTheHandle) {
  const std::string path = dir.Write("locked", Pattern(64));
  HANDLE a = Open(path, win::GENERIC_READ | win::GENERIC_WRITE);
  HANDLE b = Open(path, win::GENERIC_READ | win::GENERIC_WRITE);
  ASSERT_NE(a, win::INVALID_HANDLE_VALUE);
  ASSERT_NE(b, win::INVALID_HANDLE_VALUE);
  enum Call { kLock, kUnlock };
  struct Step {
    HANDLE handle;
    Call call;
    std::uint64_t offset;
    std::uint64_t length;
    DWORD error;  // ERROR_SUCCESS when the call succeeds
  };
  const Step steps[] = {
      {a, kLock, 0, 10, win::ERROR_SUCCESS},
      {a, kLock, 5, 2, win::ERROR_LOCK_VIOLATION},   // overlaps a range the handle holds
      {b, kLock, 5, 10, win::ERROR_LOCK_VIOLATION},  // overlaps the other handle's range
      {b, kLock, 10, 10, win::ERROR_SUCCESS},        // adjacent
      {a, kUnlock, 0, 5, win::ERROR_NOT_LOCKED},     // not the range that was locked
      {b, kUnlock, 0, 10, win::ERROR_NOT_LOCKED},    // the other handle's range
      {a, kUnlock, 0, 10, win::ERROR_SUCCESS},
      {a, kUnlock, 0, 10, win::ERROR_NOT_LOCKED},
      {b, kLock, 0, 10, win::ERROR_SUCCESS},
      {a, kLock, 1ull << 40, ~0ull - (1ull << 40), win::ERROR_SUCCESS},  // everything from 1 TiB on
      {b, kLock, (1ull << 40) + 5, 1, win::ERROR_LOCK_VIOLATION},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(testing::Message() << (s.handle == a ? "a " : "b ")
                                    << (s.call == kLock ? "locks " : "unlocks ") << s.offset << "+"
                                    << s.length);
    platform.SetLastError(win::ERROR_SUCCESS);
    const bool ok = s.call == kLock ? platform.LockFile(s.handle, s.offset, s.length)
                                    : platform.UnlockFile(s.handle, s.offset, s.length);
    EXPECT_EQ(ok, s.error == win::ERROR_SUCCESS);
    EXPECT_EQ(platform.GetLastError(), s.error);
  }
  // Closing a handle releases its locks.
  ASSERT_TRUE(platform.CloseHandle(b));
  EXPECT_TRUE(platform.LockFile(a, 0, 64));
  platform.CloseHandle(a);
}

TEST_F(LinuxPlatformTest, ReadOnlyHandlesShareTheirLocks) {
  const std::string path = dir.Write("shared", Pattern(16));
  HANDLE r1 = Open(path, win::GENERIC_READ);
  HANDLE r2 = Open(path, win::GENERIC_READ);
  HANDLE w = Open(path, win::GENERIC_READ | win::GENERIC_WRITE);
  EXPECT_TRUE(platform.LockFile(r1, 0, 8));
  EXPECT_TRUE(platform.LockFile(r2, 0, 8));
  EXPECT_FALSE(platform.LockFile(w, 4, 1));
  EXPECT_EQ(platform.GetLastError(), win::ERROR_LOCK_VIOLATION);
  EXPECT_TRUE(platform.UnlockFile(r1, 0, 8));
  EXPECT_TRUE(platform.UnlockFile(r2, 0, 8));
  EXPECT_TRUE(platform.LockFile(w, 4, 1));
  for (HANDLE h : {r1, r2, w}) platform.CloseHandle(h);
}

TEST(WindowsErrorFromErrno, MapsErrnoValues) {
  const std::pair<int, DWORD> cases[] = {
      {ENOENT, win::ERROR_FILE_NOT_FOUND},      {ENOTDIR, win::ERROR_PATH_NOT_FOUND},
      {EACCES, win::ERROR_ACCESS_DENIED},       {EPERM, win::ERROR_ACCESS_DENIED},
      {EEXIST, win::ERROR_FILE_EXISTS},         {EBADF, win::ERROR_INVALID_HANDLE},
      {ENOMEM, win::ERROR_NOT_ENOUGH_MEMORY},   {EAGAIN, win::ERROR_LOCK_VIOLATION},
      {EINVAL, win::ERROR_INVALID_PARAMETER},   {EIO, win::ERROR_IO_DEVICE},
      {ENOSPC, win::ERROR_DISK_FULL},           {EROFS, win::ERROR_WRITE_PROTECT},
      {EMFILE, win::ERROR_TOO_MANY_OPEN_FILES}, {ENAMETOOLONG, win::ERROR_FILENAME_EXCED_RANGE},
      {EPIPE, win::ERROR_INVALID_FUNCTION},     {0, win::ERROR_SUCCESS},
  };
  for (const auto& [error, expected] : cases) EXPECT_EQ(os::WindowsErrorFromErrno(error), expected) << error;
}

TEST_F(LinuxPlatformTest, EnvironmentVariables) {
  constexpr const char* kName = "RAVELBANK_TEST_ENV_PROBE";
  ::setenv(kName, "a value", 1);
  EXPECT_EQ(platform.GetEnvironmentVariable(kName), std::optional<std::string>("a value"));
  ::setenv(kName, "", 1);
  EXPECT_EQ(platform.GetEnvironmentVariable(kName), std::optional<std::string>(""));
  ::unsetenv(kName);
  EXPECT_EQ(platform.GetEnvironmentVariable(kName), std::nullopt);
  EXPECT_EQ(platform.GetLastError(), win::ERROR_ENVVAR_NOT_FOUND);
}

TEST_F(LinuxPlatformTest, LastErrorIsPerThread) {
  platform.SetLastError(win::ERROR_IO_DEVICE);
  DWORD seenByOther = 1;
  std::thread other([&] {
    seenByOther = platform.GetLastError();
    platform.SetLastError(win::ERROR_NOT_READY);
  });
  other.join();
  EXPECT_EQ(seenByOther, win::ERROR_SUCCESS);
  EXPECT_EQ(platform.GetLastError(), win::ERROR_IO_DEVICE);
}

TEST_F(LinuxPlatformTest, TicksAdvanceAtLeastBySleptTime) {
  const std::uint64_t before = platform.GetTickCount64();
  platform.Sleep(25);
  EXPECT_GE(platform.GetTickCount64(), before + 25);
}

TEST_F(LinuxPlatformTest, LocalTimeIsNowInTheLocalZone) {
  const std::time_t before = std::time(nullptr);
  std::tm local = platform.LocalTime();
  const std::time_t after = std::time(nullptr);
  const std::time_t back = std::mktime(&local);
  EXPECT_GE(back, before);
  EXPECT_LE(back, after);
}

}  // namespace
