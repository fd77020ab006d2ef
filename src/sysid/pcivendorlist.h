#pragma once

// The PCI vendor names: a text file with one vendor a line, the vendor ID in hexadecimal at the start
// and the name from the sixth character on ("8086 Intel Corporation"), in ascending ID order. The
// list is searched by bisection, so a vendor out of order may not be found.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace rb {

class PciVendorList {
 public:
  struct Entry {
    std::uint16_t id = 0;
    std::string name;
  };

  static constexpr std::uint32_t kValidMarker = 0x5A3C96A5;
  static constexpr std::size_t kInitialCapacity = 64;
  static constexpr std::size_t kMaxLineLength = 1024;

  PciVendorList();
  ~PciVendorList();
  PciVendorList(const PciVendorList&) = delete;
  PciVendorList& operator=(const PciVendorList&) = delete;

  // Reads the file, keeping the entries in file order. A line longer than kMaxLineLength is cut there;
  // lines that do not begin with a hexadecimal number of at most 16 bits are skipped; characters up to
  // the space are cut from the end of a name. Answers false (traced "unable to open <path>") when the
  // file cannot be opened; the list is then empty.
  bool Load(const std::string& path);
  // Appends an entry; the capacity starts at kInitialCapacity and grows by a quarter when full.
  // Raises std::runtime_error "Memory Allocation Error" when it cannot grow.
  void Add(std::uint16_t id, std::string name);

  // Every access checks the validity marker and raises std::runtime_error "Error: memory corruption."
  // when it is wrong.
  std::optional<std::string> Lookup(std::uint16_t id) const;
  std::size_t Size() const;
  std::size_t Capacity() const;
  // Raises std::runtime_error "Error: Index out of bounds." for an index at or beyond Size().
  const Entry& At(std::size_t index) const;

 private:
  void CheckMarker() const;

  std::uint32_t marker_ = kValidMarker;
  std::vector<Entry> entries_;
};

}  // namespace rb
