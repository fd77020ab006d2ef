#include "tests/removable/cdwrctest.h"

#include <cstring>
#include <vector>

#include "devices/scsi/opticaldrivecommands.h"
#include "support/catalog.h"
#include "support/oruerror.h"
#include "support/stringutil.h"
#include "tests/removable/operatorquestions.h"

namespace rb {

namespace {

// MODE SENSE/SELECT(10) of the write parameters page: an 8-byte header, then the page.
constexpr std::uint8_t kWriteParametersPage = 0x05;
constexpr std::uint16_t kModeBytes = 8 + 0x34;
// Header byte 3 bit 7: the medium is write-protected.
constexpr std::uint8_t kWriteProtected = 0x80;

// Block n of a pass carries its address and the run's tick, so that data from an older run cannot pass.
void FillPattern(std::vector<std::uint8_t>& data, std::uint32_t lba, std::uint32_t stamp) {
  for (std::size_t offset = 0; offset < data.size(); offset += 4) {
    const std::uint32_t block = lba + static_cast<std::uint32_t>(offset / CdWRCTest::kBlockBytes);
    const std::uint32_t word = block * 0x9E3779B1u ^ stamp ^ static_cast<std::uint32_t>(offset);
    std::memcpy(data.data() + offset, &word, sizeof word);
  }
}

}  // namespace

CdWRCTest::CdWRCTest()
    : RemovableMediaTest(
          "cdWriteReadCompareTest", "Optical Drive Write-Read-Compare Test",
          "This test checks the drive head's ability to read a specified block and writes the read "
          "data back. The test then reads the data a second time and compares it with the data "
          "that was originally read.") {
  capabilities_.interactive = true;
  capabilities_.requiresMedia = true;
  capabilities_.destructive = true;
}

bool CdWRCTest::Execute(const XmlObject&) {
  const std::string path = DrivePath();
  AskOk(*this,
        Translate("This test writes to the media in the drive. Insert recordable media (CD-R/RW, DVD-R/RW) "
                  "and press OK to write, or Cancel to fail the test."));
  for (int disc = 1;; ++disc) {
    const Outcome outcome = TryDisc(path);
    if (outcome != Outcome::kReplaceDisc) return outcome == Outcome::kPassed;
    const std::string retry = Translate("Yes, retry with new/erased media.");
    if (disc >= kMostDiscs || Ask(*this, Translate("Media is full or bad! Do you want to replace and retry?"),
                                  {retry, Translate("No, go ahead and fail this test.")}) != retry) {
      SetError(OruError(Translate(discFailure_.c_str()), path));
      return false;
    }
  }
}

CdWRCTest::Outcome CdWRCTest::Failed(const char* text, bool discMayBeAtFault) {
  if (discMayBeAtFault) {
    discFailure_ = text;
    return Outcome::kReplaceDisc;
  }
  SetError(OruError(Translate(text), DrivePath()));
  return Outcome::kFailed;
}

CdWRCTest::Outcome CdWRCTest::TryDisc(const std::string& path) {
  SetOperationCaption(Translate("Checking the media"));
  if (!UnitReady()) return Failed("Incorrect or missing media", false);
  std::uint8_t mode[kModeBytes] = {};
  if (!MODESense(path, 0, kWriteParametersPage, true, mode, sizeof mode) ||
      (mode[8] & 0x3F) != kWriteParametersPage)
    return Failed("Optical Drive WRC Test MODE SENSE cmd failed", false);
  if ((mode[3] & kWriteProtected) != 0) return Failed("Incorrect or missing media", false);
  // Track at once (write type 1), a data track written uninterrupted (track mode 4), mode 1 blocks of
  // 2048 bytes (data block type 8); the mode data length is reserved in MODE SELECT.
  mode[0] = mode[1] = 0;
  mode[8] &= 0x3F;
  mode[10] = static_cast<std::uint8_t>((mode[10] & 0xF0) | 0x01);
  mode[11] = static_cast<std::uint8_t>((mode[11] & 0xF0) | 0x04);
  mode[12] = static_cast<std::uint8_t>((mode[12] & 0xF0) | 0x08);
  if (!MODESelect(path, mode, sizeof mode))
    return Failed("Optical Drive WRC Test MODE SELECT cmd failed", false);

  SetOperationCaption(Translate("Finding the next writable address"));
  std::uint32_t address = 0;
  if (!GetTracksNextWritableAddress(path, address) || address == 0xFFFFFFFF)
    return Failed("Cannot get next writable address successfully", true);

  std::vector<std::uint8_t> written(std::size_t{kBlocks} * kBlockBytes);
  FillPattern(written, address, static_cast<std::uint32_t>(Loop() * 131 + RecordNum()));
  SetOperationCaption(Translate("Writing"));
  if (!WriteOpticalDriveBlocks(path, address, kBlocks, written.data(),
                               static_cast<std::uint32_t>(written.size())))
    return Failed("Multi-Media physical write command failed", true);
  SetProgress(1, 3);
  if (!SynchronizeCache(path, 0)) return Failed("Multi-Media flush cache command failed", false);
  SetProgress(2, 3);

  SetOperationCaption(Translate("Reading back"));
  std::vector<std::uint8_t> read(written.size());
  if (!ReadOpticalDriveBlocks(path, address, kBlocks, read.data(), static_cast<std::uint32_t>(read.size())))
    return Failed("Multi-Media physical read command failed", false);
  SetProgress(3, 3);
  for (std::size_t offset = 0; offset < written.size(); ++offset) {
    if (read[offset] != written[offset]) {
      SetError(
          OruError(Translate("Optical Drive WRC Test data miscompare"),
                   StringPrintf("block %u byte %u", address + static_cast<unsigned>(offset / kBlockBytes),
                                static_cast<unsigned>(offset % kBlockBytes))));
      return Outcome::kFailed;
    }
  }
  Output() << StringPrintf("%s %u-%u\n", Translate("Wrote, read and compared blocks").c_str(), address,
                           address + kBlocks - 1);
  return Outcome::kPassed;
}

}  // namespace rb
