#include "tests/enclosure/loadcurrenttest.h"

#include "controllers/arraylayouts.h"
#include "support/stringutil.h"
#include "tests/enclosure/controllersignals.h"

namespace rb {

namespace sig = arraylayout::signals;

LoadCurrentTest::LoadCurrentTest(const TestConfig& config)
    : EnclosureTest(config.name, config.caption,
                    "Validate that the measured load current value is within specification", config.codes) {}

LoadCurrentTest::LoadCurrentTest()
    : LoadCurrentTest(TestConfig{"LoadCurrentTest1", "Load current battery test 1", {kFirstGauge}}) {}

bool LoadCurrentTest::Execute(const XmlObject&) {
  CissDevice* controller = FindController();
  if (controller == nullptr) return Fail("Device not found", Name());
  const auto address = static_cast<std::uint8_t>(Code(0, kFirstGauge));
  const BatteryGauge gauge = ReadBatteryGauge(*controller, address);
  Output() << StringPrintf("Battery status %02Xh, load current %02Xh\n", gauge.status, gauge.loadCurrent);
  const std::string detail =
      StringPrintf("I2C %02Xh: status %02Xh, load current %u", address, gauge.status, gauge.loadCurrent);
  // The gauge's own fault makes its current meaningless.
  if ((gauge.status & sig::kGaugeFault) != 0) return Fail("Load current battery test failed", detail);
  if (gauge.loadCurrent > sig::kMostLoadCurrent) return Fail("Load current battery test failed", detail);
  return true;
}

}  // namespace rb
