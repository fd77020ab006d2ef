#include "tests/removable/floppysofterrortest.h"

#include <algorithm>

#include "devices/ata/idefloppy.h"
#include "framework/numericparameter.h"
#include "platform/os.h"
#include "support/alignedbuffer.h"
#include "support/catalog.h"
#include "support/oruerror.h"
#include "support/stringutil.h"
#include "tests/removable/parametervalues.h"

namespace rb {

namespace {

constexpr int kDefaultSoftErrors = 10000;
constexpr int kDefaultSeconds = 100000;

}  // namespace

FloppySoftErrorTest::FloppySoftErrorTest()
    : FloppyTest("FloppySoftErrorTest", "Floppy Soft Error Test",
                 "This test reads the diskette alternating accesses and checks for errors") {
  Parameters().Add(std::make_unique<NumericParameter<int>>(
      "PercentCoverage", Translate("Percent Coverage"), Translate("Percent of diskette that will be tested"),
      100, 1, 100));
  Parameters().Add(std::make_unique<NumericParameter<int>>(
      "SoftErrorCount", Translate("Soft Error Count"),
      Translate("Number of soft errors tolerated before the test fails"), kDefaultSoftErrors, 0, 100000));
  Parameters().Add(std::make_unique<NumericParameter<int>>(
      "EstimatedTime", Translate("Estimated Time"), Translate("Estimated time that the test should run"),
      kDefaultSeconds, 1, 100000));
}

bool FloppySoftErrorTest::Execute(const XmlObject&) {
  RequireMedium();
  IdeFloppy& drive = Drive();
  const win::DiskGeometry geometry = Geometry();
  const std::uint32_t sectors = SectorsPerTrack(geometry);
  const std::uint32_t heads = Heads(geometry);
  const auto tracks = static_cast<std::uint32_t>(geometry.Cylinders * heads);
  const int percent = IntegerValue(Parameters(), "PercentCoverage", 100);
  const auto allowed =
      static_cast<std::uint32_t>(IntegerValue(Parameters(), "SoftErrorCount", kDefaultSoftErrors));
  const std::uint64_t seconds =
      static_cast<std::uint64_t>(IntegerValue(Parameters(), "EstimatedTime", kDefaultSeconds));
  const std::uint32_t covered =
      std::max<std::uint32_t>(1, tracks * static_cast<std::uint32_t>(percent) / 100);
  AlignedBuffer buffer(std::size_t{sectors} * std::max<std::uint32_t>(geometry.BytesPerSector, 512));
  os::Platform& system = os::Current();
  const std::uint64_t start = system.GetTickCount64();
  std::uint32_t softErrors = 0;
  SetOperationCaption(Translate("Reading"));
  for (std::uint32_t done = 0; done < covered; ++done) {
    if (CancelRequested()) return false;
    if (system.GetTickCount64() - start >= seconds * 1000) break;
    // 0, last, 1, last-1, ...: every read moves the heads across the diskette.
    const std::uint32_t track = done % 2 == 0 ? done / 2 : tracks - 1 - done / 2;
    const std::uint64_t lba = std::uint64_t{track} * sectors;
    bool read = false;
    for (int attempt = 0; attempt < 2 && !read; ++attempt) {
      try {
        drive.Access(BlockDevice::kRead, lba, sectors, buffer.data());
        read = true;
      } catch (const OruError&) {
        if (attempt == 0) ++softErrors;
      }
    }
    if (!read) {
      // The first sector of the track that no longer reads alone.
      std::uint32_t sector = 0;
      for (; sector < sectors; ++sector) {
        try {
          drive.Access(BlockDevice::kRead, lba + sector, 1, buffer.data());
        } catch (const OruError&) {
          break;
        }
      }
      const std::string where = StringPrintf(
          Translate("Floppy Read Error: Track %d Head %d Sector %d").c_str(), static_cast<int>(track / heads),
          static_cast<int>(track % heads), static_cast<int>(sector % sectors + 1));
      Output() << where << '\n';
      SetError(OruError(Translate("Floppy disk read failed"), where));
      return false;
    }
    if (softErrors > allowed) {
      SetError(OruError(Translate("Floppy disk read failed"),
                        StringPrintf("%s: %u", Translate("Soft errors").c_str(), softErrors)));
      return false;
    }
    SetProgress(done + 1, covered);
  }
  Output() << StringPrintf("%s: %u\n", Translate("Soft errors").c_str(), softErrors);
  return true;
}

}  // namespace rb
