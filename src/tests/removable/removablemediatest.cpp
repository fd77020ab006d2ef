#include "tests/removable/removablemediatest.h"

#include <cctype>

#include "devices/ata/atarequests.h"
#include "devices/ata/idecdrom.h"
#include "devices/scsi/opticaldrivecommands.h"
#include "devices/scsi/scsicdrom.h"
#include "support/catalog.h"
#include "support/oruerror.h"

namespace rb {

namespace {

bool Contains(const std::string& text, const char* part) {
  return text.find(part) != std::string::npos;
}

}  // namespace

RemovableMediaTest::RemovableMediaTest(std::string name, std::string caption, std::string description)
    : Test(std::move(name), Translate(caption), Translate(description)) {}

std::string RemovableMediaTest::DrivePath() const {
  if (const auto* ide = dynamic_cast<const IdeCdrom*>(Owner())) return ide->DevicePath();
  if (const auto* scsi = dynamic_cast<const ScsiCdrom*>(Owner())) return scsi->DevicePath();
  throw OruError("Device not found", Name());
}

bool RemovableMediaTest::UnitReady() const {
  return IdeCdromTestUnitReady(DrivePath());
}

bool RemovableMediaTest::EjectTray() const {
  return ata::EjectMedia(DrivePath());
}

bool RemovableMediaTest::LoadTray() const {
  return ata::LoadMedia(DrivePath());
}

std::string RemovableMediaTest::DriveKind() const {
  std::string model;
  if (auto* ide = dynamic_cast<IdeCdrom*>(Owner())) model = ide->Identify().Model();
  if (auto* scsi = dynamic_cast<ScsiCdrom*>(Owner())) model = scsi->ModelText();
  for (char& c : model) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  const bool dvd = Contains(model, "DVD");
  const bool rewritable = Contains(model, "RW") || Contains(model, "-R") || Contains(model, "+R");
  if (Contains(model, "COMBO") || (dvd && Contains(model, "CD-RW"))) return "RW/DVD";
  if (dvd) return rewritable ? "DVD-RW" : "DVD-ROM";
  return rewritable ? "CD-RW" : "CD-ROM";
}

}  // namespace rb
