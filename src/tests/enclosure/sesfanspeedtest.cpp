#include "tests/enclosure/sesfanspeedtest.h"

#include <vector>

#include "controllers/arraylayouts.h"
#include "controllers/seslayouts.h"
#include "support/catalog.h"
#include "support/stringutil.h"
#include "tests/enclosure/sesaccess.h"

namespace rb {

namespace ses = seslayout;

SESFanSpeedTest::SESFanSpeedTest() : EnclosureTest("fanSpeedTest", "Fan speed test", "Fan speed test") {}

bool SESFanSpeedTest::Execute(const XmlObject&) {
  const std::unique_ptr<SESDiagApi> api = OpenEnclosures(Controller());
  for (std::size_t index = 0; index < api->EnclosureCount(); ++index) {
    std::vector<SesElementRecord> fans;
    if (!api->ReadElements(index, ses::kTypeCooling, fans)) return Fail(kNotSupported, "Fan elements");
    for (std::size_t fan = 0; fan < fans.size(); ++fan) {
      const SesElementRecord& record = fans[fan];
      const std::uint8_t status = record[0] & ses::kStatusMask;
      if (status == ses::kStatusNotInstalled) continue;
      const int speed = arraylayout::Get16(record.data(), 1) & ses::kFanSpeedMask;
      Output() << StringPrintf("Enclosure %d fan %d: %s, speed %d\n", static_cast<int>(index), static_cast<int>(fan),
                               SESDiagApi::StatusText(record[0]).c_str(), speed);
      if (status != ses::kStatusOk || (record[3] & ses::kFanFail) != 0 || speed == 0)
        return Fail("Data Mismatch", StringPrintf("Enclosure %d fan %d: %s, speed %d", static_cast<int>(index),
                                                  static_cast<int>(fan), SESDiagApi::StatusText(record[0]).c_str(),
                                                  speed));
    }
  }
  return true;
}

}  // namespace rb
