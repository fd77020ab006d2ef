// The SMBIOS document from the simulated machine's firmware table, and the server identifier read
// from it.
#include <gtest/gtest.h>

#include <string>

#include "platform/os.h"
#include "sysid/machinefixture.h"
#include "sysid/pciidentification.h"
#include "sysid/smbiosdecoder.h"

namespace {

class ServerIdentity : public rbtest::MachineFixture {};

std::string BoardAndOem(const std::string& product, const std::string& serverSystemId) {
  std::string text = "<machine><smbios>";
  text += "<structure type='1'><string offset='5'>Demo</string></structure>";
  text += "<structure type='2' length='9'><string offset='4'>Maker</string>";
  if (!product.empty()) text += "<string offset='5'>" + product + "</string>";
  text += "</structure>";
  if (!serverSystemId.empty())
    text += "<structure type='195'><string offset='4'>" + serverSystemId + "</string></structure>";
  return text + "</smbios></machine>";
}

TEST_F(ServerIdentity, ProductOrServerSystemIdStructure) {
  struct Case {
    std::string product;
    std::string serverSystemId;
    std::uint16_t expected;
  };
  const Case cases[] = {
      {"1Ah", "", 26},           // hexadecimal with the suffix h
      {"26", "", 26},            // decimal
      {"1AH", "", 1},            // only a lower-case h marks hexadecimal
      {"12345h", "", 0x2345},    // the low 16 bits
      {"X11DPi", "", 0},         // not a number
      {"26", "RB 00A2", 26},     // the product comes first
      {"", "RBSSID 00A2", 162},  // the last four characters, hexadecimal
      {"", "A2", 162},          {"", "", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.product + " / " + c.serverSystemId);
    UseMachine(BoardAndOem(c.product, c.serverSystemId));
    EXPECT_EQ(rb::GetServerSystemId(), c.expected);
  }
  UseMachine("<machine/>");  // no SMBIOS at all
  EXPECT_EQ(rb::GetServerSystemId(), 0);
}

TEST_F(ServerIdentity, FirmwareTableIsAnsweredAsWindowsDoes) {
  UseMachine(BoardAndOem("1Ah", "RBSSID 00A2"));
  os::Platform& platform = os::Current();
  const win::DWORD size = platform.GetSystemFirmwareTable(win::RSMB, 0, nullptr, 0);
  EXPECT_EQ(platform.GetLastError(), win::ERROR_INSUFFICIENT_BUFFER);
  ASSERT_GT(size, sizeof(win::RawSmbiosDataHeader));
  std::string raw(size, '\0');
  EXPECT_EQ(platform.GetSystemFirmwareTable(win::RSMB, 0, raw.data(), size - 1), size);
  EXPECT_EQ(platform.GetLastError(), win::ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(platform.GetSystemFirmwareTable(win::RSMB, 0, raw.data(), size), size);
  EXPECT_EQ(platform.GetSystemFirmwareTable(0x41435049 /* 'ACPI' */, 0, raw.data(), size), 0u);
  EXPECT_EQ(platform.GetLastError(), win::ERROR_INVALID_PARAMETER);

  const rb::XmlObject document = rb::DecodeSmbios(raw);
  EXPECT_EQ(document.GetAttribute("majorVersion"), "3");
  ASSERT_EQ(document.Children().size(), 4u);  // system, board, server ID, end of table
  EXPECT_EQ(document.GetValue("structure[@name='SYSTEMINFO']/property[@name='product']/@value"), "Demo");
  EXPECT_EQ(document.GetValue("structure[@name='BOARDINFO']/property[@name='manufacturer']/@value"), "Maker");
  EXPECT_EQ(document.Children()[3].GetAttribute("type"), "127");

  // A table cut anywhere decodes what fits and stops.
  for (std::size_t cut = 0; cut < raw.size(); ++cut) {
    std::string shorter = raw.substr(0, cut);
    EXPECT_LE(rb::DecodeSmbios(shorter).Children().size(), 4u);
  }
}

TEST_F(ServerIdentity, DemoMachine) {
  UseMachine(ReadText(RAVELBANK_SOURCE_DIR "/machines/demo.xml"));
  EXPECT_EQ(rb::GetServerSystemId(), 0x1A);
}

}  // namespace
