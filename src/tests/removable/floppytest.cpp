#include "tests/removable/floppytest.h"

#include <algorithm>

#include "devices/ata/idefloppy.h"
#include "support/catalog.h"
#include "support/oruerror.h"

namespace rb {

FloppyTest::FloppyTest(std::string name, const char* caption, const char* description)
    : Test(std::move(name), Translate(caption), Translate(description)) {
  capabilities_.requiresMedia = true;
}

IdeFloppy& FloppyTest::Drive() const {
  auto* drive = dynamic_cast<IdeFloppy*>(Owner());
  if (drive == nullptr) throw OruError("Device not found", Name());
  return *drive;
}

void FloppyTest::RequireMedium() const {
  if (!Drive().MediumReady()) throw OruError(Translate("Media not present in drive"), Drive().DevicePath());
}

void FloppyTest::RequireWritable() const {
  if (!Drive().Writable())
    throw OruError(Translate("Unwrite protected media not found"),
                   Translate("The diskette is write-protected"));
}

win::DiskGeometry FloppyTest::Geometry() const {
  win::DiskGeometry geometry{};
  if (!Drive().Geometry(&geometry))
    throw OruError(Translate("Media not present in drive"), Drive().DevicePath());
  return geometry;
}

std::uint32_t FloppyTest::SectorsPerTrack(const win::DiskGeometry& geometry) {
  return std::max<std::uint32_t>(geometry.SectorsPerTrack, 1);
}

std::uint32_t FloppyTest::Heads(const win::DiskGeometry& geometry) {
  return std::max<std::uint32_t>(geometry.TracksPerCylinder, 1);
}

}  // namespace rb
