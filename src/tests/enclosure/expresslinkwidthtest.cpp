#include "tests/enclosure/expresslinkwidthtest.h"

#include "framework/numericparameter.h"
#include "support/catalog.h"
#include "support/stringutil.h"
#include "tests/enclosure/controllersignals.h"
#include "tests/removable/parametervalues.h"

namespace rb {

namespace {

constexpr int kDefaultLanes = 8;

}  // namespace

ExpressLinkWidthTest::ExpressLinkWidthTest()
    : EnclosureTest("ExpressLinkWidthTest", "PCI express link width test",
                    "Verifies the PCI Express lanes the controller uses") {
  Parameters().Add(std::make_unique<NumericParameter<int>>(
      "LinkWidth", Translate("PCI Express lanes used by the card"),
      Translate("This parameter specifies number of lanes used by the card"), kDefaultLanes, 1, 32));
}

bool ExpressLinkWidthTest::Execute(const XmlObject&) {
  const auto expected = static_cast<std::uint32_t>(IntegerValue(Parameters(), "LinkWidth", kDefaultLanes));
  const std::uint32_t actual = ReadLinkWidth(Controller());
  Output() << "PCI Express link width: x" << actual << '\n';
  if (actual == expected) return true;
  return Fail("PCI Express link width mismatch", StringPrintf("Expected = %u, Actual = %u", expected, actual));
}

}  // namespace rb
