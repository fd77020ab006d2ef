#include "tests/removable/floppyledtest.h"

#include "devices/ata/idefloppy.h"
#include "support/alignedbuffer.h"
#include "support/catalog.h"
#include "support/oruerror.h"
#include "tests/removable/ledblinkcheck.h"

namespace rb {

namespace {

// One busy period: the first track read this many times.
constexpr int kReadsPerBlink = 4;

}  // namespace

FloppyLedTest::FloppyLedTest()
    : FloppyTest("floppyLEDTest", "Diskette Drive LED Blink Test", "Checks device LED Activity indicator.") {
  capabilities_.interactive = true;
}

std::uint32_t FloppyLedTest::Blinks() {
  return ChooseBlinks();
}

bool FloppyLedTest::Execute(const XmlObject&) {
  RequireMedium();
  IdeFloppy& drive = Drive();
  const win::DiskGeometry geometry = Geometry();
  const std::uint32_t sectors = SectorsPerTrack(geometry);
  AlignedBuffer buffer(std::size_t{sectors} * std::max<std::uint32_t>(geometry.BytesPerSector, 512));
  const auto busy = [&] {
    try {
      for (int read = 0; read < kReadsPerBlink; ++read)
        drive.Access(BlockDevice::kRead, 0, sectors, buffer.data());
    } catch (const OruError&) {
      return false;
    }
    return true;
  };
  const LedBlinkTexts texts{
      Translate(
          "Press OK and count how many times the diskette LED remains ON solid.  (Ignore short blinks)"),
      Translate("How many times did the diskette LED blink?")};
  if (!LedBlinkCheck(*this, texts, Blinks(), busy, Translate("Floppy disk read failed"))) {
    SetError(OruError(Translate("Floppy drive LED test failed."), drive.DevicePath()));
    return false;
  }
  return true;
}

}  // namespace rb
