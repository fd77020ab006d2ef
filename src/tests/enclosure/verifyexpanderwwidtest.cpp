#include "tests/enclosure/verifyexpanderwwidtest.h"

#include <algorithm>
#include <vector>

#include "controllers/seslayouts.h"
#include "support/stringutil.h"
#include "tests/enclosure/controllersignals.h"
#include "tests/enclosure/sesaccess.h"
#include "tests/enclosure/wwidquestion.h"

namespace rb {

namespace ses = seslayout;

VerifyExpanderWWIDTest::VerifyExpanderWWIDTest()
    : EnclosureTest("VerifyExpanderWWIDTest", "Verify Expander WWID",
                    "Verifies that WWIDs in all the Expanders are correct") {
  capabilities_.interactive = true;
}

bool VerifyExpanderWWIDTest::Execute(const XmlObject&) {
  const std::unique_ptr<SESDiagApi> api = OpenEnclosures(Controller());
  int checked = 0;
  for (std::size_t index = 0; index < api->EnclosureCount(); ++index) {
    const int expanders = api->QueryByte(index, ses::kTypeSasExpander);
    for (int expander = 0; expander < expanders; ++expander) {
      std::vector<std::uint8_t> buffer(ses::expander::kSize, 0);
      if (!api->ReadEnclosureBuffer(index, static_cast<std::uint16_t>(ses::kBufferExpander + expander), buffer))
        return Fail(kNotSupported, StringPrintf("Expander %d", expander));
      WorldWideName actual{};
      std::copy_n(buffer.begin() + ses::expander::kWorldWideName, actual.size(), actual.begin());
      const std::string entered = AskExpectedWwid(*this);
      WorldWideName expected{};
      if (!ParseWorldWideName(entered, expected)) return Fail("Invalid WWID", entered);
      if (expected != actual)
        return Fail("Data Mismatch", StringPrintf("Expander %d: Expected = %s, Actual = %s", expander,
                                                  WorldWideNameText(expected).c_str(), WorldWideNameText(actual).c_str()));
      ++checked;
    }
  }
  if (checked == 0) return Fail(kNotSupported, "No expander found");
  return true;
}

}  // namespace rb
