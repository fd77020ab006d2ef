#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace rb {

// The operating system's disk and tape devices ("PhysicalDrive2", "Tape0", and the fibre array and
// Keystone devices) with their SCSI addresses, so that a unit found on a port can be linked to the
// name the system gives it.
class ClassDriverList {
 public:
  struct Entry {
    std::string name;  // the DOS device name, e.g. "PhysicalDrive2"
    std::uint32_t port = 0;
    std::uint8_t path = 0;
    std::uint8_t target = 0;
    std::uint8_t lun = 0;
  };

  // Reads the DOS device names (growing the buffer 8 KiB at a time up to 1 MiB) and asks each device
  // of interest for its address. Raises "System Resource Failure" when the names cannot be read.
  static ClassDriverList Read();

  const std::vector<Entry>& Entries() const { return entries_; }
  // The device at an address, or null.
  const Entry* Find(std::uint32_t port, std::uint8_t path, std::uint8_t target, std::uint8_t lun) const;

  // The names a DOS device list of `length` characters holds (each ends with a NUL).
  static std::vector<std::string> SplitNames(const char* list, std::size_t length);

 private:
  std::vector<Entry> entries_;
};

}  // namespace rb
