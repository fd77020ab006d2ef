#include "tests/enclosure/controllerphyspeedmaptest.h"

#include "framework/stringparameter.h"
#include "support/catalog.h"
#include "tests/enclosure/controllersignals.h"
#include "tests/enclosure/phymapcheck.h"

namespace rb {

ControllerPhySpeedMapTest::ControllerPhySpeedMapTest()
    : EnclosureTest("ctrlPhySpeedMapTest", "Controller phy speed map test",
                    "Verifies all the phys of the controller have negotiated at the right speed") {
  // The expected map is a parameter like the expander's: the speeds depend on what is cabled.
  Parameters().Add(std::make_unique<StringParameter>(
      "phySpeedMapCtrl", Translate("Phy speed map for controller"),
      Translate("Specify the expected phy map value that will be compared"), kNoPhyMap));
}

bool ControllerPhySpeedMapTest::Execute(const XmlObject&) {
  return CheckPhyMap(*this, ReadPhySpeedMap(Controller(), false), "phySpeedMapCtrl",
                     "Controller phy speed map mismatch");
}

}  // namespace rb
