#include "tests/enclosure/alarmpagetest.h"

#include <cstdint>
#include <string>

#include "controllers/backplane.h"
#include "controllers/seslayouts.h"
#include "support/catalog.h"
#include "support/stringutil.h"

namespace rb {

namespace ses = seslayout;

AlarmPageTest::AlarmPageTest() : EnclosureTest("AlarmPageTest", "Alarm Page Test", "Verify the Alarm Page") {}

bool AlarmPageTest::Execute(const XmlObject&) {
  auto* backplane = dynamic_cast<Backplane*>(Owner());
  if (backplane == nullptr) return Fail(kNotSupported);
  std::uint8_t page[ses::kAlarmPageSize] = {};
  if (!backplane->ReceiveFromProcessor(ses::kBufferAlarmPage, page, sizeof page))
    return Fail("Failed to Read Alarm Page");
  const std::uint8_t flags = page[ses::kAlarmFlags];
  Output() << StringPrintf("Alarm flags: %02Xh\n", flags);
  static const struct {
    std::uint8_t bit;
    const char* text;
  } kAlarms[] = {
      {ses::kAlarmOverTemperature, "Over Temperature condition was detected"},
      {ses::kAlarmFanFailure, "Fan Failure condition was detected"},
      {ses::kAlarmSidePanel, "Chassis side panel is not installed properly"},
      {ses::kAlarmRedundantPower, "Redundant Power supply is missing or is reporting a fault"},
  };
  const char* first = nullptr;
  for (const auto& alarm : kAlarms) {
    if ((flags & alarm.bit) == 0) continue;
    Output() << Translate(alarm.text) << '\n';
    if (first == nullptr) first = alarm.text;
  }
  return first == nullptr || Fail(first, StringPrintf("alarm flags %02Xh", flags));
}

}  // namespace rb
