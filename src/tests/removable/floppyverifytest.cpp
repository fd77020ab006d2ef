#include "tests/removable/floppyverifytest.h"

#include <algorithm>

#include "devices/ata/idefloppy.h"
#include "framework/numericparameter.h"
#include "support/alignedbuffer.h"
#include "support/catalog.h"
#include "support/oruerror.h"
#include "support/stringutil.h"
#include "tests/removable/parametervalues.h"

namespace rb {

namespace {

constexpr int kDiskette144Blocks = 2880;

}  // namespace

FloppyVerifyTest::FloppyVerifyTest()
    : FloppyTest("FloppyVerifyTest", "Floppy Verify Test", "Perform Floppy Verify Test") {
  Parameters().Add(std::make_unique<NumericParameter<int>>(
      "StartingBlock", Translate("Starting Block"), Translate("Logical block at which testing should begin"),
      0, 0, kDiskette144Blocks - 1));
  Parameters().Add(std::make_unique<NumericParameter<int>>("BlockCount", Translate("Block Count"),
                                                           Translate("Number of blocks to verify"),
                                                           kDiskette144Blocks, 1, kDiskette144Blocks));
}

bool FloppyVerifyTest::Execute(const XmlObject&) {
  RequireMedium();
  IdeFloppy& drive = Drive();
  const win::DiskGeometry geometry = Geometry();
  const std::uint64_t blocks =
      static_cast<std::uint64_t>(geometry.Cylinders) * Heads(geometry) * SectorsPerTrack(geometry);
  const std::uint64_t start = static_cast<std::uint64_t>(IntegerValue(Parameters(), "StartingBlock", 0));
  const std::uint64_t wanted =
      static_cast<std::uint64_t>(IntegerValue(Parameters(), "BlockCount", kDiskette144Blocks));
  if (start >= blocks)
    throw OruError("Invalid parameter list", Translate("Starting Block is beyond the diskette"));
  const std::uint64_t end = std::min(blocks, start + wanted);
  const std::uint32_t perRequest = SectorsPerTrack(geometry);
  AlignedBuffer scratch(std::size_t{perRequest} * std::max<std::uint32_t>(geometry.BytesPerSector, 512));
  SetOperationCaption(Translate("Verifying"));
  for (std::uint64_t lba = start; lba < end; lba += perRequest) {
    if (CancelRequested()) return false;
    const auto count = static_cast<std::uint32_t>(std::min<std::uint64_t>(perRequest, end - lba));
    try {
      drive.Access(BlockDevice::kVerify, lba, count, scratch.data());
    } catch (const OruError& error) {
      SetError(OruError(
          Translate("Floppy Verify Test Error"),
          StringPrintf("%s %llu: ", Translate("Block").c_str(), static_cast<unsigned long long>(lba)) +
              error.Message()));
      return false;
    }
    SetProgress(static_cast<std::uint32_t>(lba + count - start), static_cast<std::uint32_t>(end - start));
  }
  Output() << StringPrintf("%s %llu-%llu\n", Translate("Verified blocks").c_str(),
                           static_cast<unsigned long long>(start), static_cast<unsigned long long>(end - 1));
  return true;
}

}  // namespace rb
