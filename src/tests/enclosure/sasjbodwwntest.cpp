#include "tests/enclosure/sasjbodwwntest.h"

#include <algorithm>

#include "support/stringutil.h"
#include "tests/enclosure/controllersignals.h"

namespace rb {

namespace {

constexpr std::size_t kSharedBytes = 6;

}  // namespace

SASJBODWWNTest::SASJBODWWNTest()
    : EnclosureTest("SASJBODWWNTest", "SAS JBOD WWN Test",
                    "This test verifies the world wide name of the expanders in the JBOD") {}

bool SASJBODWWNTest::Execute(const XmlObject&) {
  CissDevice& controller = Controller();
  const WorldWideName first = ReadWorldWideName(controller, 1);
  const WorldWideName second = ReadWorldWideName(controller, 2);
  const std::string one = WorldWideNameText(first);
  const std::string two = WorldWideNameText(second);
  Output() << "WWN1 = " << one << ", WWN2 = " << two << '\n';
  // Identical names are checked first: they also share their first bytes.
  if (first == second)
    return Fail("Invalid WWN", StringPrintf("WWN of both the expanders should not be the same,WWN1 = %s, WWN2 = %s",
                                            one.c_str(), two.c_str()));
  if (!std::equal(first.begin(), first.begin() + kSharedBytes, second.begin()))
    return Fail("Data Mismatch", StringPrintf("First 6 bytes of both the WWNs should match, WWN1 = %s, WWN2 = %s",
                                              one.c_str(), two.c_str()));
  return true;
}

}  // namespace rb
