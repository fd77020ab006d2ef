// SMBIOS tables as the linux and sim backends make them, read back through the decoder.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/linux/linuxsmbios.h"
#include "platform/scratchdir.h"
#include "platform/sim/simplatform.h"
#include "sysid/smbiosdecoder.h"

namespace {

std::string Text(const std::vector<std::uint8_t>& bytes) {
  return std::string(bytes.begin(), bytes.end());
}

class LinuxSmbios : public testing::Test {
 protected:
  void Put(const std::string& relative, const std::string& content) {
    std::filesystem::create_directories(std::filesystem::path(dir_.File(relative)).parent_path());
    dir_.Write(relative, content);
  }
  rbtest::ScratchDir dir_;
};

TEST_F(LinuxSmbios, KernelCopyOfTheTableComesFirst) {
  // One baseboard structure (product "26") and the end of the table; an SMBIOS 3 entry point.
  const std::string table = std::string("\x02\x09\x02\x00\x01\x02\x00\x00\x00", 9) + "Maker" + '\0' + "26" +
                            '\0' + '\0' + std::string("\x7f\x04\x03\x00\x00\x00", 6);
  Put("firmware/dmi/tables/DMI", table);
  Put("firmware/dmi/tables/smbios_entry_point", std::string("_SM3_\x00\x18\x03\x05\x01", 10));
  Put("class/dmi/id/board_name", "ignored while the table can be read\n");
  const rb::XmlObject document = rb::DecodeSmbios(Text(os::ReadLinuxSmbios(dir_.Path())));
  EXPECT_EQ(document.GetAttribute("majorVersion"), "3");
  EXPECT_EQ(document.GetAttribute("minorVersion"), "5");
  EXPECT_EQ(document.GetValue("structure[@#name='BOARDINFO']/property[@name='product']/@value"), "26");
  EXPECT_EQ(document.GetValue("structure[@#name='BOARDINFO']/property[@name='manufacturer']/@value"),
            "Maker");
}

TEST_F(LinuxSmbios, IdentityFilesWhenTheTableIsNotReadable) {
  Put("class/dmi/id/board_vendor", "Ravel Systems\n");
  Put("class/dmi/id/board_name", "1Ah\n");
  Put("class/dmi/id/product_name", "RB Demo Server\n");
  Put("class/dmi/id/chassis_type", "23\n");
  const rb::XmlObject document = rb::DecodeSmbios(Text(os::ReadLinuxSmbios(dir_.Path())));
  EXPECT_EQ(document.GetValue("structure[@#name='BOARDINFO']/property[@name='product']/@value"), "1Ah");
  EXPECT_EQ(document.GetValue("structure[@name='BOARDINFO']/property[@name='manufacturer']/@value"),
            "Ravel Systems");
  EXPECT_EQ(document.GetValue("structure[@name='SYSTEMINFO']/property[@name='product']/@value"),
            "RB Demo Server");
  EXPECT_EQ(document.GetValue("structure[@name='CHASSISINFO']/property[@name='chassisType']/@value"), "23");
  EXPECT_EQ(document.SelectNodes("structure[@name='BIOSINFO']").size(), 0u);  // no BIOS files, no structure
}

TEST_F(LinuxSmbios, NothingWithoutFirmwareData) {
  EXPECT_TRUE(os::ReadLinuxSmbios(dir_.Path()).empty());
}

TEST(SimSmbios, MalformedStructuresAreRejected) {
  rbtest::ScratchDir dir;
  const std::pair<const char*, const char*> cases[] = {
      {"<string offset='2'>x</string>", "offset 2 is in the header"},
      {"<dword offset='4' value='1'/>", "unknown field <dword>"},
      {"<byte offset='300' value='1'/>", "is above 255"},
  };
  for (const auto& [field, problem] : cases) {
    SCOPED_TRACE(field);
    const std::string path = dir.Write("m.xml", std::string("<machine><smbios><structure type='2'>") + field +
                                                    "</structure></smbios></machine>");
    try {
      os::SimPlatform platform(path);
      ADD_FAILURE() << "accepted";
    } catch (const os::MachineError& error) {
      EXPECT_NE(std::string(error.what()).find(problem), std::string::npos) << error.what();
    }
  }
  const std::string shortStructure =
      dir.Write("s.xml",
                "<machine><smbios><structure type='2' length='5'><string offset='5'>x</string>"
                "</structure></smbios></machine>");
  EXPECT_THROW(os::SimPlatform platform(shortStructure), os::MachineError);
}

}  // namespace
