// vmlhw_dl: the sysfs walk on a made-up sysfs tree, and the built library answering GetPCISummary for a
// simulated machine, as the component fetches it.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "pcisummary.h"
#include "platform/scratchdir.h"
#include "sysfspci.h"
#include "sysid/machinefixture.h"
#include "sysid/pciidentification.h"
#include "sysid/pciinventory.h"

namespace {

class SysfsPci : public testing::Test {
 protected:
  // A function directory with the files sysfs gives it.
  void Function(const std::string& name, const std::string& vendor, const std::string& device,
                const std::string& resource, const std::string& classCode = "0x010400") {
    const std::string directory = "bus/pci/devices/" + name + "/";
    std::filesystem::create_directories(dir_.File(directory));
    dir_.Write(directory + "vendor", vendor + "\n");
    dir_.Write(directory + "device", device + "\n");
    dir_.Write(directory + "subsystem_vendor", "0x103c\n");
    dir_.Write(directory + "subsystem_device", "0x3245\n");
    dir_.Write(directory + "class", classCode + "\n");
    dir_.Write(directory + "resource", resource);
  }
  void Slot(const std::string& slot, const std::string& address) {
    std::filesystem::create_directories(dir_.File("bus/pci/slots/" + slot));
    dir_.Write("bus/pci/slots/" + slot + "/address", address + "\n");
  }
  rbtest::ScratchDir dir_;
};

TEST_F(SysfsPci, ReadsIdsBarsAndSlots) {
  const std::string zero = "0x0000000000000000 0x0000000000000000 0x0000000000000000\n";
  Function("0000:0b:00.0", "0x9005", "0x8017",
           "0x000000000000d800 0x000000000000d8ff 0x0000000000040101\n" + zero +
               "0x00000000fb9ff000 0x00000000fb9fffff 0x0000000000040200\n" + zero + zero + zero +
               "0x00000000fb900000 0x00000000fb97ffff 0x0000000000046200\n",  // the ROM: not a BAR
           "0x010000");
  Function("0000:06:00.0", "0x1000", "0x0a40", zero, "0x010700");
  Function("0000:06:00.1", "0x1000", "not a number", zero);  // unreadable IDs: left out
  Function("not-a-function", "0x1000", "0x0a40", zero);
  Slot("3", "0000:06:00");
  Slot("backplane", "0000:0b:00");  // not a number: no slot

  const std::vector<os::PciFunction> functions = vmlhw::ReadSysfsPci(dir_.Path());
  ASSERT_EQ(functions.size(), 2u);
  const os::PciFunction& raid = functions[0];
  EXPECT_EQ(raid.osDeviceId, "0000:06:00.0");
  EXPECT_EQ(raid.bus, 6);
  EXPECT_EQ(raid.vendorId, 0x1000);
  EXPECT_EQ(raid.deviceId, 0x0a40);
  EXPECT_EQ(raid.subVendorId, 0x103c);
  EXPECT_EQ(raid.subsystemId, 0x3245);
  EXPECT_EQ(raid.classCode, 0x010700u);
  EXPECT_EQ(raid.slot, 3u);
  EXPECT_TRUE(raid.bars.empty());
  const os::PciFunction& scsi = functions[1];
  EXPECT_EQ(scsi.bus, 11);
  EXPECT_EQ(scsi.slot, 0u);
  ASSERT_EQ(scsi.bars.size(), 2u);
  EXPECT_EQ(scsi.bars[0].index, 0);
  EXPECT_EQ(scsi.bars[0].address, 0xd800u);
  EXPECT_TRUE(scsi.bars[0].io);
  EXPECT_EQ(scsi.bars[1].index, 2);
  EXPECT_EQ(scsi.bars[1].address, 0xfb9ff000u);
  EXPECT_FALSE(scsi.bars[1].io);

  // Described from the vendor list when no board database knows the board.
  dir_.Write("pcivendors.txt", "1000 Broadcom / LSI\n9005 Adaptec\n");
  vmlhw::PciDescriber describer(dir_.Path() + "/");
  EXPECT_EQ(describer.Describe(raid), "Broadcom / LSI Serial Attached SCSI controller");
  const rb::XmlObject summary(vmlhw::PciSummaryXml(functions, describer));
  const rb::XmlObject* entry = summary.SelectSingleNode("structure[$bus='11' $device='0' $function='0']");
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry->GetAttribute("BAR0"), "d800");
  EXPECT_EQ(entry->GetAttribute("BAR2"), "fb9ff000");
  EXPECT_EQ(entry->GetAttribute("ioPortBaseAddress0"), "d800");
  EXPECT_EQ(entry->FindAttribute("ioPortBaseAddress1"), nullptr);
  EXPECT_EQ(entry->GetAttribute("description"), "Adaptec SCSI storage controller");
}

TEST_F(SysfsPci, NoPciBusGivesNoFunctions) {
  EXPECT_TRUE(vmlhw::ReadSysfsPci(dir_.Path()).empty());
}

// The component's side: the built vmlhw_dl.so loaded through the OS seam.
class PciSummary : public rbtest::MachineFixture {};

TEST_F(PciSummary, DemoMachineFunctionsWithBoardNames) {
  UseMachine(ReadText(RAVELBANK_SOURCE_DIR "/machines/demo.xml"));
  const rb::XmlObject summary = rb::FetchPciSummary();
  EXPECT_EQ(summary.Name(), "pciSummary");
  struct Expected {
    const char* bus;
    const char* device;
    const char* function;
    const char* vendor;
    const char* deviceId;
    const char* slot;
    const char* description;
  };
  const Expected expected[] = {
      {"0", "31", "2", "8086", "2922", "0", "RB SATA AHCI Controller"},
      {"0", "1", "1", "8086", "7010", "0", "RB IDE Controller"},
      {"6", "0", "0", "1000", "0a40", "1", "RB Array Controller 4640"},
      {"11", "0", "0", "9005", "8017", "2", "RB Ultra320 SCSI Adapter"},
      {"14", "0", "0", "10df", "f180", "3", "RB 8Gb Fibre Channel Host Adapter"},
      {"4", "0", "0", "1000", "0097", "4", "RB 12Gb SAS HBA"},
      {"20", "0", "0", "1000", "0a50", "5", "RB Array Controller L200"},
      {"21", "0", "0", "1000", "0a51", "6", "RB Array Controller S600"},
      {"22", "0", "0", "1000", "0a51", "7", "RB Array Controller S430"},
      {"23", "0", "0", "1000", "0a51", "8", "RB Array Controller S210"},
      {"24", "0", "0", "1000", "0a51", "9", "RB Array Controller L400"},
  };
  ASSERT_EQ(summary.Children().size(), std::size(expected));
  for (std::size_t i = 0; i < std::size(expected); ++i) {
    const rb::XmlObject& entry = summary.Children()[i];
    const Expected& e = expected[i];
    SCOPED_TRACE(e.description);
    EXPECT_EQ(entry.Name(), "structure");
    EXPECT_EQ(entry.GetAttribute("bus"), e.bus);
    EXPECT_EQ(entry.GetAttribute("device"), e.device);
    EXPECT_EQ(entry.GetAttribute("function"), e.function);
    EXPECT_EQ(entry.GetAttribute("vendorID"), e.vendor);
    EXPECT_EQ(entry.GetAttribute("deviceID"), e.deviceId);
    EXPECT_EQ(entry.GetAttribute("slotNumber"), e.slot);
    EXPECT_EQ(entry.GetAttribute("description"), e.description);
  }
  EXPECT_EQ(summary.Children()[2].GetAttribute("subsystemID"), "4640");
  EXPECT_EQ(summary.Children()[2].GetAttribute("classCode"), "010400");
  EXPECT_EQ(summary.Children()[2].GetAttribute("ioPortBaseAddress0"), "e000");
  EXPECT_EQ(summary.Children()[4].GetAttribute("BAR4"), "c800");
}

TEST_F(PciSummary, SlotNumberByLocation) {
  UseMachine(
      "<machine><pci>"
      "<function bus='6' device='0' function='0' vendorID='0x1000' deviceID='0x1' slot='3'/>"
      "<function bus='6' device='0' function='1' vendorID='0x1000' deviceID='0x1' slot='4'/>"
      "<function bus='60' device='0' function='0' vendorID='0x1000' deviceID='0x1' slot='255'/>"
      "</pci></machine>");
  struct Case {
    std::uint8_t bus, device, function, slot;
  };
  const Case cases[] = {{6, 0, 0, 3}, {6, 0, 1, 4}, {60, 0, 0, 255}, {6, 1, 0, 0}, {0, 6, 0, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.bus) + ":" + std::to_string(c.device) + "." + std::to_string(c.function));
    EXPECT_EQ(rb::LookupSlotNumber(c.bus, c.device, c.function), c.slot);
  }
}

TEST_F(PciSummary, UnusableMachineAnswersAnErrorDocument) {
  UseMachine("<machine/>");
  Write("machine.xml", "<machine><pci><function bus='6'/></pci></machine>");  // vmlhw_dl reads it afresh
  const std::string text = rb::FetchPciSummaryText();
  const rb::XmlObject summary(text);
  EXPECT_EQ(summary.Name(), "error");
  EXPECT_NE(summary.Text().find("attribute 'device' is missing"), std::string::npos) << text;
  EXPECT_TRUE(summary.SelectNodes("structure").empty());
  EXPECT_EQ(rb::LookupSlotNumber(6, 0, 0), 0);
}

}  // namespace
