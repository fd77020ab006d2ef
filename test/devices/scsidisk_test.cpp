// The SCSI block devices on the simulated machine: what a listed unit becomes, the capacity text, block
// access with its 10- and 16-byte commands and its errors, the disk's caption by kind, and the
// persistent form.
#include "devices/scsi/scsidisk.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "component/storagetestcomponent.h"
#include "devices/enumeration/discoverycontext.h"
#include "devices/scsi/scsicontroller.h"
#include "devices/scsi/scsidriver.h"
#include "devices/scsi/usbdisk.h"
#include "devices/scsitestbench.h"
#include "framework/ptstream.h"
#include "support/oruerror.h"
#include "support/xmlobject.h"

namespace {

using rbtest::RaisedBy;
using rbtest::SimulatedMachine;

TEST(CapacityText, OneDecimalOfGigabytesOrWholeMegabytes) {
  const struct {
    std::uint32_t blockSize;
    std::uint64_t lastBlock;
    const char* text;
  } cases[] = {
      {512, 2000000000, "1024.0 Gbytes"},
      {512, 1953125, "1.0 Gbytes"},
      {512, 1000000, "512 Mbytes"},
      {2048, 1000, "2 Mbytes"},
      {4096, 1953506645ull, "8001.6 Gbytes"},  // an 8 TB disk of 4 KiB blocks
      {512, 0, "Not available"},
  };
  for (const auto& c : cases) EXPECT_EQ(rb::CapacityText(c.blockSize, c.lastBlock), c.text) << c.lastBlock;
}

class ScsiCreate : public ::testing::Test {
 protected:
  // Units of port 0, as a port scan lists them; each is made through the factory.
  void SetUp() override { controller_->AttachDriver(std::make_unique<rb::ScsiDriver>("\\\\.\\SCSI0:")); }

  std::unique_ptr<rb::ScsiDevice> Make(std::uint8_t target, bool usbPort = false) {
    return rb::ScsiDevice::Create(context_, port_, controller_, 0, target, 0, usbPort);
  }

  SimulatedMachine machine_{R"(<scsi><port number="0">
      <disk target="0" vendor="SEAGATE" product="ST600MM0006" blocks="1000"/>
      <disk target="1" vendor="LSILOGIC" product="Logical Volume" blocks="1000"/>
      <disk target="2" vendor="GENERIC" product="USB FLOPPY" blocks="2879"/>
      <disk target="3" vendor="GENERIC" product="USB DISK 2.0" blocks="1000"/>
      <disk target="4" vendor="ATA" product="ST500NM0011" blocks="1000"/>
      <disk target="5" vendor="HITACHI" product="HUS156030VLS600" blocks="1000" versionDescriptors="0C00 0600"/>
      <disk target="6" vendor="SEAGATE" product="ST300MM0006" blocks="1000"/>
      <optical target="7"/>
    </port></scsi>)"};
  rb::StorageTestComponent component_;
  rb::XmlObject idResult_;
  rb::XmlObject summary_;
  rb::DiscoveryContext context_{component_, idResult_, summary_};
  rb::ScsiDriver port_{"\\\\.\\SCSI0:"};
  std::shared_ptr<rb::ScsiController> controller_ = std::make_shared<rb::ScsiController>("SCTRL0", false);
};

TEST_F(ScsiCreate, ClassesAndDriveNumbersFollowTheModel) {
  const struct {
    std::uint8_t target;
    const char* streamable;
    const char* elementClass;
    std::int32_t driveNumber;
  } cases[] = {
      {0, "ScsiDisk", "scsiDisk", 1},
      {1, "ScsiDisk", "scsiDisk", 0},  // an adapter's logical volume is no SCSI disk of its own
      {2, "USBFloppy", "usbFloppy", 1},
      {3, "USBDisk", "usbDisk", 1},
      {4, "ScsiDisk", "sataDisk", 2},
      {5, "ScsiDisk", "sasDisk", 3},
      {6, "ScsiDisk", "scsiDisk", 4},
  };
  for (const auto& c : cases) {
    std::unique_ptr<rb::ScsiDevice> device = Make(c.target);
    ASSERT_NE(device, nullptr) << int(c.target);
    EXPECT_EQ(device->StreamableName(), c.streamable) << int(c.target);
    EXPECT_EQ(device->ElementClass(), c.elementClass) << int(c.target);
    EXPECT_EQ(device->DriveNumber(), c.driveNumber) << int(c.target);
    EXPECT_EQ(device->ParentAdapter(), controller_.get());
  }
  // An optical drive is made by the device installer's pass, not here; a missing unit makes nothing.
  EXPECT_EQ(Make(7), nullptr);
  EXPECT_EQ(Make(9), nullptr);
}

TEST_F(ScsiCreate, EveryDiskOfAUsbPortIsAUsbDisk) {
  std::unique_ptr<rb::ScsiDevice> device = Make(0, true);
  ASSERT_NE(device, nullptr);
  EXPECT_EQ(device->StreamableName(), "USBDisk");
}

TEST_F(ScsiCreate, TheDiskDescribesItselfAndStreamsBack) {
  std::unique_ptr<rb::ScsiDevice> made = Make(5);
  ASSERT_NE(made, nullptr);
  auto* disk = dynamic_cast<rb::ScsiDisk*>(made.get());
  ASSERT_NE(disk, nullptr);
  rb::XmlObject element;
  disk->Describe(element, false);
  EXPECT_EQ(element.GetAttribute("caption", ""), "SAS Hard Drive");
  EXPECT_EQ(element.GetPropertyValue("Model"), "HITACHI HUS156030VLS600");
  EXPECT_EQ(element.GetPropertyValue("capacity"), "1 Mbytes");
  EXPECT_EQ(element.GetPropertyValue("ScsiController"), "SCSI Controller");
  EXPECT_FALSE(element.GetPropertyValue("SerialNumber").empty());

  disk->SetSlots(2, 5);
  EXPECT_EQ(disk->GetCaptionName(), "SAS Hard Drive, Controller Slot 2, Slot 5");

  // The controller link streams as a link to a device of the component's set; alone, the disk has none.
  disk->SetParentAdapter(static_cast<rb::ScsiDevice*>(nullptr));
  rb::optstream out;
  out.WritePointer(disk);
  rb::iptstream in(out.Bytes());
  std::unique_ptr<rb::ScsiDisk> back = in.ReadObject<rb::ScsiDisk>();
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->Name(), disk->Name());
  EXPECT_EQ(back->Record().target, 5);
  EXPECT_EQ(back->ModelText(), "HITACHI HUS156030VLS600");
  ASSERT_NE(back->Driver(), nullptr);
  EXPECT_EQ(back->Driver()->Path(), "\\\\.\\SCSI0:");
  EXPECT_EQ(back->DriveNumber(), disk->DriveNumber());
}

TEST(ScsiCreateOverCsmi, ADriveThatFailsInquiryIsNamedByItsAtaIdentifyData) {
  SimulatedMachine machine(R"(<scsi><port number="0" csmi="1">
      <phy id="0" sasAddress="0x5000C50012345672" protocol="sata" target="0"/>
      <disk target="0" blocks="1000"><fault opcode="0x12" sense="5" asc="0x24" ascq="0"/></disk>
    </port></scsi>)");
  rb::StorageTestComponent component;
  rb::XmlObject idResult, summary;
  rb::DiscoveryContext context(component, idResult, summary);
  auto controller = std::make_shared<rb::ScsiController>("SCTRL0", false);
  controller->AttachDriver(std::make_unique<rb::ScsiDriver>("\\\\.\\SCSI0:"));
  EXPECT_TRUE(controller->CsmiCapable());
  std::unique_ptr<rb::ScsiDevice> device =
      rb::ScsiDevice::Create(context, rb::ScsiDriver("\\\\.\\SCSI0:"), controller, 0, 0, 0, false);
  ASSERT_NE(device, nullptr);
  EXPECT_EQ(device->ModelText(), "SIM SATA DISK 0");
  EXPECT_EQ(device->ElementClass(), "sataDisk");
  EXPECT_EQ(static_cast<rb::ScsiDisk&>(*device).GetCaptionName(), "SATA Hard Disk");
}

TEST(ScsiBlockAccess, TenAndSixteenByteCommandsAndTheirErrors) {
  // 2^32 + 16 blocks: READ CAPACITY(10) cannot hold the last address.
  SimulatedMachine machine(R"(<scsi><port number="0">
      <disk target="0" blocks="4294967312"><block lba="4294967310" text="NEAR THE END"/></disk>
    </port></scsi>)");
  rb::ScsiDriver port("\\\\.\\SCSI0:");
  rb::ScsiDisk disk("disk", false, &port, 0, 0, 0);
  EXPECT_EQ(disk.LastBlockAddress(), 4294967311ull);
  EXPECT_EQ(disk.BlockSize(), 512u);

  std::vector<std::uint8_t> block(512);
  disk.Access(rb::BlockDevice::kRead, 4294967310ull, 1, block.data());
  EXPECT_EQ(disk.Record().cdb[0], 0x88);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(block.data()), 12), "NEAR THE END");
  disk.Access(rb::BlockDevice::kWrite, 7, 1, block.data());
  EXPECT_EQ(disk.Record().cdb[0], 0x2A);
  disk.Access(rb::BlockDevice::kVerify, 7, 1, nullptr);
  EXPECT_EQ(disk.Record().cdb[0], 0x2F);
  disk.Access(rb::BlockDevice::kRead, 7, 1, block.data());
  EXPECT_EQ(std::string(reinterpret_cast<char*>(block.data()), 12), "NEAR THE END");

  const rb::OruError invalid = RaisedBy([&] { disk.Access(3, 0, 1, block.data()); });
  EXPECT_EQ(invalid.Message(), "Invalid parameter list");
  EXPECT_EQ(invalid.Detail(), "disk: Invalid Access Mode: 3");
  EXPECT_EQ(disk.HardErrorsOfLastAccess(), 0u);

  // A command the driver cannot carry counts as a hard error of the access.
  rb::ScsiDriver missing("\\\\.\\SCSI5:");
  rb::ScsiDisk gone("gone", false, &missing, 0, 0, 0);
  RaisedBy([&] { gone.Access(rb::BlockDevice::kRead, 0, 1, block.data()); });
  EXPECT_EQ(gone.HardErrorsOfLastAccess(), 1u);
}

}  // namespace
