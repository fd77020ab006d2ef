#include "tests/removable/cdledtest.h"

#include <vector>

#include "devices/scsi/opticaldrivecommands.h"
#include "support/catalog.h"
#include "support/oruerror.h"
#include "tests/removable/ledblinkcheck.h"

namespace rb {

namespace {

// One busy period: this many reads of this many blocks, from the start of the disc.
constexpr int kReadsPerBlink = 32;
constexpr std::uint16_t kBlocksPerRead = 16;
constexpr std::uint32_t kBlockBytes = 2048;

}  // namespace

CdLedTest::CdLedTest()
    : RemovableMediaTest("CdLedTest", "Optical Drive LED Blink Test",
                         "Checks device LED Activity indicator.") {
  capabilities_.interactive = true;
  capabilities_.requiresMedia = true;
}

std::uint32_t CdLedTest::Blinks() {
  return ChooseBlinks();
}

bool CdLedTest::Execute(const XmlObject&) {
  const std::string path = DrivePath();
  const std::string spinFailure = Translate("Optical drive LED test unable to spinup drive.");
  std::vector<std::uint8_t> buffer(std::size_t{kBlocksPerRead} * kBlockBytes);
  // The disc must be turning before the operator starts counting.
  if (!UnitReady() || !ReadOpticalDriveBlocks(path, 0, kBlocksPerRead, buffer.data(),
                                              static_cast<std::uint32_t>(buffer.size()))) {
    SetError(OruError(spinFailure, path));
    return false;
  }
  const auto busy = [&] {
    for (int read = 0; read < kReadsPerBlink; ++read)
      if (!ReadOpticalDriveBlocks(path, static_cast<std::uint32_t>(read) * kBlocksPerRead, kBlocksPerRead,
                                  buffer.data(), static_cast<std::uint32_t>(buffer.size())))
        return false;
    return true;
  };
  const std::string kind = Translate(DriveKind());
  const LedBlinkTexts texts{
      Translate("Press OK and count how many times the DVD / CD LED remains ON solid.") + "\n(" + kind + ")",
      Translate("How many times did the LED blink?")};
  if (!LedBlinkCheck(*this, texts, Blinks(), busy, spinFailure)) {
    SetError(OruError(Translate("Optical drive LED test failed."), kind));
    return false;
  }
  return true;
}

}  // namespace rb
