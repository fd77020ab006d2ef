#pragma once

#include <cstdint>
#include <string>

#include "framework/test.h"
#include "platform/winstorage.h"

namespace rb {

class IdeFloppy;

// The base of the diskette drive's tests: the drive, its diskette's geometry, and the checks before a
// test touches the diskette.
class FloppyTest : public Test {
 protected:
  FloppyTest(std::string name, const char* caption, const char* description);
  FloppyTest() = default;

  // The owner; raises "Device not found" for another.
  IdeFloppy& Drive() const;
  // Raises "Media not present in drive" unless a diskette is in and ready.
  void RequireMedium() const;
  // Raises "Unwrite protected media not found" when the diskette is write-protected.
  void RequireWritable() const;
  // The diskette's geometry; raises "Media not present in drive" when it cannot be read.
  win::DiskGeometry Geometry() const;
  // Sectors per track and heads of the geometry, at least 1.
  static std::uint32_t SectorsPerTrack(const win::DiskGeometry& geometry);
  static std::uint32_t Heads(const win::DiskGeometry& geometry);
};

}  // namespace rb
