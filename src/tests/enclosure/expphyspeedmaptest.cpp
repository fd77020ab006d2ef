#include "tests/enclosure/expphyspeedmaptest.h"

#include "framework/stringparameter.h"
#include "support/catalog.h"
#include "tests/enclosure/controllersignals.h"
#include "tests/enclosure/phymapcheck.h"

namespace rb {

ExpPhySpeedMapTest::ExpPhySpeedMapTest()
    : EnclosureTest("expPhySpeedMapTest", "Expander Phy speed map test",
                    "Verifies all the phys have negotiated to the right speed and are operating correctly") {
  Parameters().Add(std::make_unique<StringParameter>(
      "phySpeedMapExp", Translate("Phy speed map for expander"),
      Translate("Specifiy the expected phy map value that will be compared"), kNoPhyMap));
}

bool ExpPhySpeedMapTest::Execute(const XmlObject&) {
  return CheckPhyMap(*this, ReadPhySpeedMap(Controller(), true), "phySpeedMapExp",
                     "Expander phy speed map mismatch");
}

}  // namespace rb
