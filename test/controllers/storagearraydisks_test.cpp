// The disks of a simulated storage-array controller end to end: the controller's own drive numbers
// reach each drive, and its disks show the connector, enclosure place and error words after the
// common counters.

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "component/simdiscoveryfixture.h"
#include "controllers/bmicdevice.h"
#include "controllers/raiddisk.h"
#include "support/xmlobject.h"

namespace rb {
namespace {

using rbtest::DeviceNamed;

// A storage array on its host's fibre-channel port; two drives on different buses, eight targets per
// bus: both drive numbers carry the 128 of the rule.
constexpr const char* kMachine = R"(<machine>
  <pci><function bus="12" device="0" function="0" vendorID="0x0E11" deviceID="0xF200" classCode="0x010400"
                 description="RB Fibre Array Port"/></pci>
  <scsi>
    <port number="3" array="bmic" pciBus="12" pciDevice="0" pciFunction="0" model="RB KSR1000 Array"
          targetsPerBus="8">
      <drive bus="0" target="0" kind="scsi" vendor="RAVEL" product="RB146" serial="SHELF1B1" blocks="60000"
             connector="1A" enclosure="1" bay="1" readErrorsHard="2" readErrorsRecovered="0x11"
             writeErrorsHard="3" writeErrorsRecovered="0x22"/>
      <drive bus="1" target="2" kind="scsi" vendor="RAVEL" product="RB146" serial="SHELF2B5" blocks="60000"
             connector="2B" enclosure="2" bay="5" history="failing" failed="1"/>
    </port>
  </scsi>
</machine>)";

class StorageArrayDisks : public rbtest::SimDiscoveryTest {
 protected:
  void SetUp() override {
    Start(kMachine, rbtest::RaidControllerSummary({"12"}));
    idResult_ = XmlObject(component_.IdentifyDevices());
  }
  BmicDevice& Controller() { return dynamic_cast<BmicDevice&>(*component_.FindDevice("bmicController0")); }
  // The captions and values of a disk's properties from the 22nd counter on, in order.
  std::vector<std::pair<std::string, std::string>> StorageArrayWords(const RaidDisk& disk) {
    const XmlObject* device = DeviceNamed(idResult_, disk.Name());
    if (device == nullptr) {
      ADD_FAILURE() << "no device " << disk.Name() << " in " << idResult_.ToString();
      return {};
    }
    std::vector<std::pair<std::string, std::string>> words;
    for (int i = 21; i < 32; ++i)
      for (const XmlObject& child : device->Children())
        if (child.Name() == "property" && child.GetAttribute("name") == "Counter" + std::to_string(i))
          words.emplace_back(child.GetAttribute("caption"), child.GetAttribute("value"));
    return words;
  }

  XmlObject idResult_;
};

TEST_F(StorageArrayDisks, EachDiskShowsItsOwnDrivesPlaceAndErrorWords) {
  ASSERT_TRUE(Controller().IsStorageArrayController());
  const std::vector<RaidDisk*>& disks = Controller().PhysicalDisks();
  ASSERT_EQ(disks.size(), 2u);
  ASSERT_EQ(disks[0]->AddressName(), "bmicController0b0d0");
  ASSERT_EQ(disks[1]->AddressName(), "bmicController0b1d2");
  const std::vector<std::pair<std::string, std::string>> first = {
      {"Connector", "1A"},
      {"Enclosure Number", "00000001"},
      {"Enclosure Bay", "00000001"},
      {"Read Errors Hard", "00000002"},
      {"Read Errors Retry Recovered", "00000011"},
      {"Write Errors Hard", "00000003"},
      {"Write Errors Retry Recovered", "00000022"},
      {"Predictive Failure Errors", "00000000"},
      {"Drive Present and Operational", "00000001"}};
  EXPECT_EQ(StorageArrayWords(*disks[0]), first);
  // The failing drive's SMART trip counts as a predictive failure and its unrecovered read as a hard
  // one; the controller has taken it out of service.
  const std::vector<std::pair<std::string, std::string>> second = {
      {"Connector", "2B"},
      {"Enclosure Number", "00000002"},
      {"Enclosure Bay", "00000005"},
      {"Read Errors Hard", "00000001"},
      {"Read Errors Retry Recovered", "00000000"},
      {"Write Errors Hard", "00000000"},
      {"Write Errors Retry Recovered", "00000000"},
      {"Predictive Failure Errors", "00000001"},
      {"Drive Present and Operational", "00000000"}};
  EXPECT_EQ(StorageArrayWords(*disks[1]), second);
}

TEST_F(StorageArrayDisks, TheDriveHistoryIsReadFromTheDriveTheDiskIs) {
  // The history commands name the drive like identify physical drive: each disk reads its own record.
  for (RaidDisk* disk : Controller().PhysicalDisks()) {
    SCOPED_TRACE(disk->Name());
    const std::vector<DriveRecord> records = disk->ReadDriveRecords();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].lastFailureReason, disk->Bus() == 1 ? 0x13 : 0);
  }
}

}  // namespace
}  // namespace rb
