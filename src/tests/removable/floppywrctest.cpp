#include "tests/removable/floppywrctest.h"

#include <cstdlib>
#include <cstring>

#include "devices/ata/idefloppy.h"
#include "devices/diskwritehold.h"
#include "framework/numericparameter.h"
#include "framework/stringparameter.h"
#include "support/alignedbuffer.h"
#include "support/catalog.h"
#include "support/oruerror.h"
#include "support/stringutil.h"
#include "tests/removable/operatorquestions.h"
#include "tests/removable/parametervalues.h"

namespace rb {

namespace {

// Tracks of a 1.44 MB diskette: 80 cylinders of two heads.
constexpr int kLastTrack = 159;

// The pattern byte of "Pattern": two hexadecimal digits.
std::uint8_t PatternByte(const std::string& text) {
  char* end = nullptr;
  const unsigned long value = std::strtoul(text.c_str(), &end, 16);
  if (text.empty() || text.size() > 2 || *end != '\0' || value > 0xFF)
    throw OruError("Invalid parameter list", "Pattern: " + text);
  return static_cast<std::uint8_t>(value);
}

}  // namespace

FloppyWRCTest::FloppyWRCTest()
    : FloppyTest("floppyWRCTest", "Floppy Write-Read-Compare Test",
                 "Writes known data to a specific sector, read that data and compares") {
  capabilities_.interactive = true;
  capabilities_.destructive = true;
  Parameters().Add(std::make_unique<StringParameter>("Pattern", Translate("Pattern"),
                                                     Translate("Specify the pattern to be written"), "A5"));
  Parameters().Add(std::make_unique<NumericParameter<int>>(
      "StartTrack", Translate("StartTrack"), Translate("First track to write"), 0, 0, kLastTrack));
  Parameters().Add(std::make_unique<NumericParameter<int>>(
      "EndTrack", Translate("EndTrack"), Translate("Last track to write"), kLastTrack, 0, kLastTrack));
}

bool FloppyWRCTest::Execute(const XmlObject&) {
  const std::uint8_t pattern = PatternByte(TextValue(Parameters(), "Pattern", "A5"));
  const int first = IntegerValue(Parameters(), "StartTrack", 0);
  const int last = IntegerValue(Parameters(), "EndTrack", kLastTrack);
  if (first > last) throw OruError("Invalid parameter list", Translate("StartTrack is beyond EndTrack"));
  AskOk(*this, Translate("Insert a floppy that is not write-protected and click [OK]") + "\n" +
                   Translate("Everything on the diskette's tested tracks will be overwritten."));
  RequireMedium();
  RequireWritable();
  IdeFloppy& drive = Drive();
  const win::DiskGeometry geometry = Geometry();
  const std::uint32_t sectors = SectorsPerTrack(geometry);
  const std::uint64_t tracks = static_cast<std::uint64_t>(geometry.Cylinders) * Heads(geometry);
  if (static_cast<std::uint64_t>(last) >= tracks)
    throw OruError("Invalid parameter list", Translate("EndTrack is beyond the diskette"));
  const std::size_t bytes = std::size_t{sectors} * std::max<std::uint32_t>(geometry.BytesPerSector, 512);
  AlignedBuffer written(bytes);
  AlignedBuffer read(bytes);
  std::memset(written.data(), pattern, bytes);
  const std::unique_ptr<DiskWriteHold> hold = drive.HoldForWriting();
  for (int track = first; track <= last; ++track) {
    if (CancelRequested()) return false;
    const std::uint64_t lba = std::uint64_t(track) * sectors;
    SetOperationCaption(StringPrintf("%s %d", Translate("Track").c_str(), track));
    drive.Access(BlockDevice::kWrite, lba, sectors, written.data());
    drive.Access(BlockDevice::kRead, lba, sectors, read.data());
    if (std::memcmp(written.data(), read.data(), bytes) != 0) {
      SetError(OruError(Translate("Did not match data pattern"),
                        StringPrintf("%s %d", Translate("Track").c_str(), track)));
      return false;
    }
    SetProgress(static_cast<std::uint32_t>(track - first + 1), static_cast<std::uint32_t>(last - first + 1));
  }
  Output() << StringPrintf("%s %02X %s %d-%d\n", Translate("Wrote pattern").c_str(), pattern,
                           Translate("to tracks").c_str(), first, last);
  return true;
}

}  // namespace rb
