#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace os {
class Platform;
}

namespace rb {

// How much a file the component reads may hold, by purpose. Anything larger is refused unread.
inline constexpr std::uint64_t kConfigurationFileBytes = std::uint64_t{4}
                                                         << 20;  // diagconfig.xml, storageconfig.xml
inline constexpr std::uint64_t kDescriptionFileBytes = std::uint64_t{64}
                                                       << 20;  // machine descriptions, board databases

// A whole file as read, or why it was not.
struct WholeFile {
  enum class Status {
    kRead,
    kMissing,  // it does not open (absent, no access)
    kRefused,  // not a regular file, or larger than allowed: nothing was read
    kFailed,   // a read failed
  };
  Status status = Status::kMissing;
  std::string bytes;
  std::string problem;  // for kRefused and kFailed: what was wrong, for a trace naming the file
};

// Reads the whole of a regular file of at most `maxBytes` bytes through the platform (os::Current()
// when null). A FIFO, a device node or a directory under the name is refused without waiting on it.
// With `lockAgainstWriters` the file is locked against writers while it is read, retrying for about
// ten seconds; reading goes ahead without the lock.
WholeFile ReadWholeFile(const std::string& path, std::uint64_t maxBytes, bool lockAgainstWriters = false,
                        os::Platform* platform = nullptr);

// Creates or replaces the file and writes the bytes to it; false when the file cannot be created, is
// not a regular file or not every byte was written (all traced).
bool WriteWholeFile(const std::string& path, std::string_view bytes);

// Replaces the file by writing the bytes to a temporary file beside it, flushing them to the device
// and renaming it into place, so that the file holds either its old or its new contents whatever
// happens on the way. Raises std::runtime_error naming the path when that fails; the old file is then
// as it was and the temporary file is gone.
void ReplaceWholeFile(const std::string& path, std::string_view bytes);

}  // namespace rb
