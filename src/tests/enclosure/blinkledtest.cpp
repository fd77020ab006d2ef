#include "tests/enclosure/blinkledtest.h"

#include <algorithm>
#include <vector>

#include "controllers/arraylayouts.h"
#include "controllers/cissdevice.h"
#include "controllers/cisslunaddress.h"
#include "devices/scsi/scsicommandrecord.h"
#include "framework/numericparameter.h"
#include "platform/os.h"
#include "support/catalog.h"
#include "support/oruerror.h"
#include "support/randomnumber.h"
#include "support/stringutil.h"
#include "tests/removable/operatorquestions.h"
#include "tests/removable/parametervalues.h"

namespace rb {

BlinkLEDTest::BlinkLEDTest()
    : EnclosureTest("BlinkLEDTest", "Blink LED test", "Verify that a drive's LED is functional") {
  capabilities_.interactive = true;
  Parameters().Add(std::make_unique<NumericParameter<int>>(
      "BlinkInterval", Translate("Blink Interval"), Translate("The amount of time between each blink in seconds"), 1,
      1, 60));
  Parameters().Add(std::make_unique<NumericParameter<int>>(
      "MaximumBlinks", Translate("Maximum Blinks"), Translate("The maximum number of blinks allowed"), 7, 1, 100));
}

bool BlinkLEDTest::LeftToRight() {
  cRandomNumber random(static_cast<std::uint32_t>(os::Current().GetTickCount64()));
  return random.NextInRange(2) == 0;
}

bool BlinkLEDTest::Execute(const XmlObject&) {
  CissDevice& controller = Controller();
  const auto interval = static_cast<std::uint16_t>(IntegerValue(Parameters(), "BlinkInterval", 1));
  const int most = IntegerValue(Parameters(), "MaximumBlinks", 7);
  // The drives left to right are in bus and target order.
  std::vector<CissLunAddress> drives;
  for (const CissLun& lun : controller.PhysicalLuns()) drives.push_back(DecodePhysicalLun(lun));
  std::sort(drives.begin(), drives.end(),
            [](const CissLunAddress& a, const CissLunAddress& b) { return a.bus != b.bus ? a.bus < b.bus : a.target < b.target; });
  const bool leftToRight = LeftToRight();
  if (!leftToRight) std::reverse(drives.begin(), drives.end());
  AskOk(*this, StringPrintf(Translate("LED on Slot %d will blink in a few moments. Please notice the direction in "
                                      "which LEDs blink").c_str(),
                            controller.Slot()));
  int blinks = 0;
  for (const CissLunAddress& drive : drives) {
    if (blinks == most || CancelRequested()) break;
    std::vector<std::uint8_t> data(512, 0);
    try {
      controller.SendBmicCommand(arraylayout::kBlinkDriveLed, data.data(), static_cast<std::uint32_t>(data.size()),
                                 controller.PhysicalDriveParameter(drive.bus, static_cast<std::uint8_t>(drive.target)),
                                 interval, 0, kDataOut);
    } catch (const OruError&) {
      continue;  // a backplane's LUN has no drive LED
    }
    ++blinks;
    SetProgress(static_cast<std::uint32_t>(blinks), static_cast<std::uint32_t>(most));
    os::Current().Sleep(static_cast<win::DWORD>(interval) * 1000);
  }
  if (blinks == 0) return Fail("Blink LED test failed", Translate("No drive LED to blink"));
  const std::string left = Translate("(L)eft");
  const std::string right = Translate("(R)ight");
  const std::string answer =
      Ask(*this, Translate("Did the LEDs blink from Left or Right(L), Right to Left(R) or failed to blink(F)?"),
          {left, right, Translate("(F)ailed")});
  if (answer == (leftToRight ? left : right)) return true;
  return Fail("Blink LED test failed",
              StringPrintf("Blinked %s, answered %s", leftToRight ? "left to right" : "right to left", answer.c_str()));
}

}  // namespace rb
