// The component's PCI inventory: fetched from vmlhw_dl when a new component is made, kept with a
// saved one.
#include <gtest/gtest.h>

#include "component/storagetestcomponent.h"
#include "framework/ptstream.h"
#include "sysid/machinefixture.h"

namespace {

using rb::StorageTestComponent;

class ComponentInventory : public rbtest::MachineFixture {};

TEST_F(ComponentInventory, NewComponentFetchesItAndASavedOneKeepsItsOwn) {
  UseMachine(ReadText(RAVELBANK_SOURCE_DIR "/machines/demo.xml"));
  const std::unique_ptr<StorageTestComponent> component = StorageTestComponent::CreateNew();
  const rb::XmlObject& inventory = component->PciSummary();
  ASSERT_EQ(inventory.Children().size(), 11u);
  EXPECT_NE(inventory.SelectSingleNode("structure[@vendorID='10df' @deviceID='f180' @slotNumber='3']"), nullptr);
  // An empty component (the class factory's) holds none.
  EXPECT_TRUE(StorageTestComponent().PciSummary().IsEmpty());

  rb::optstream out;
  out.WritePointer(component.get());
  UseMachine("<machine/>");
  EXPECT_TRUE(StorageTestComponent::CreateNew()->PciSummary().Children().empty());
  rb::iptstream in(out.Bytes());
  const auto read = in.ReadObject<StorageTestComponent>();
  ASSERT_TRUE(read);
  EXPECT_EQ(read->PciSummary().ToString(), inventory.ToString());
}

}  // namespace
