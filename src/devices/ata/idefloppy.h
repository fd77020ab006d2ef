#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "devices/ata/ideremovabledrive.h"
#include "platform/winstorage.h"

namespace rb {

// A diskette drive on the floppy controller ("\\.\Floppy0"), with the requests its tests use: the
// geometry, formatting a range of tracks and writing a boot sector.
class IdeFloppy : public IdeRemovableDrive {
 public:
  static constexpr const char* kStreamableName = "IdeFloppy";

  IdeFloppy(std::string name, bool makeUnique, std::string devicePath);
  IdeFloppy();

  // IOCTL_DISK_GET_DRIVE_GEOMETRY of the diskette in the drive.
  bool Geometry(win::DiskGeometry* geometry);
  // Locks the volume, formats the tracks of the cylinder and head range, unlocks it; false on failure
  // with the last error set.
  bool FormatTracks(win::DiskMediaType media, std::uint32_t startCylinder, std::uint32_t endCylinder,
                    std::uint32_t startHead, std::uint32_t endHead);
  // Writes a boot sector (EBh 3Ch 90h, then a 1.44 MB diskette's parameters) to block 0.
  bool WriteBootSector();
  // "HighDensity 1.44" for a 1.44 MB diskette, else empty.
  std::string DensityText();

  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<IdeFloppy>(); }
  void DescribeProperties(XmlObject& element, bool catalogRequest) override;
};

}  // namespace rb
