#include "sysid/pcivendorlist.h"

#include <algorithm>
#include <new>
#include <sstream>
#include <stdexcept>

#include "support/debug.h"
#include "support/wholefile.h"

namespace rb {

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

PciVendorList::PciVendorList() {
  entries_.reserve(kInitialCapacity);
}

// A list used after its end shows a wrong marker instead of stale entries.
PciVendorList::~PciVendorList() {
  marker_ = 0;
}

void PciVendorList::CheckMarker() const {
  if (marker_ != kValidMarker) throw std::runtime_error("Error: memory corruption.");
}

bool PciVendorList::Load(const std::string& path) {
  CheckMarker();
  // A regular file of a bounded size only: a FIFO or device named like the list must not hold the reader.
  const WholeFile file = ReadWholeFile(path, kDescriptionFileBytes);
  if (file.status != WholeFile::Status::kRead) {
    DebugPrint("unable to open %s\n", path.c_str());
    return false;
  }
  std::istringstream in(file.bytes);
  std::string line;
  while (std::getline(in, line)) {
    if (line.size() > kMaxLineLength) line.resize(kMaxLineLength);
    unsigned long id = 0;
    std::size_t digits = 0;
    for (; digits < line.size() && HexDigit(line[digits]) >= 0 && id <= 0xFFFF; ++digits)
      id = id * 16 + static_cast<unsigned long>(HexDigit(line[digits]));
    if (digits == 0 || id > 0xFFFF) continue;
    std::string name = line.size() > 5 ? line.substr(5) : std::string();
    while (!name.empty() && static_cast<unsigned char>(name.back()) <= 32) name.pop_back();
    Add(static_cast<std::uint16_t>(id), std::move(name));
  }
  return true;
}

void PciVendorList::Add(std::uint16_t id, std::string name) {
  CheckMarker();
  if (entries_.size() == entries_.capacity()) {
    try {
      entries_.reserve(entries_.capacity() + std::max<std::size_t>(entries_.capacity() / 4, 1));
    } catch (const std::bad_alloc&) {
      throw std::runtime_error("Memory Allocation Error");
    } catch (const std::length_error&) {
      throw std::runtime_error("Memory Allocation Error");
    }
  }
  entries_.push_back(Entry{id, std::move(name)});
}

std::optional<std::string> PciVendorList::Lookup(std::uint16_t id) const {
  CheckMarker();
  std::size_t low = 0;
  std::size_t high = entries_.size();
  while (low < high) {
    const std::size_t middle = low + (high - low) / 2;
    const std::uint16_t at = At(middle).id;
    if (at == id) return entries_[middle].name;
    if (at < id)
      low = middle + 1;
    else
      high = middle;
  }
  return std::nullopt;
}

std::size_t PciVendorList::Size() const {
  CheckMarker();
  return entries_.size();
}

std::size_t PciVendorList::Capacity() const {
  CheckMarker();
  return entries_.capacity();
}

const PciVendorList::Entry& PciVendorList::At(std::size_t index) const {
  CheckMarker();
  if (index >= entries_.size()) throw std::runtime_error("Error: Index out of bounds.");
  return entries_[index];
}

}  // namespace rb
