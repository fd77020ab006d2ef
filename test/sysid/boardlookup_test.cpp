// Board names and capabilities from the two board databases and the PCI summary, with the real
// vmlhw_dl answering for a simulated machine.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "sysid/boarddatabase.h"
#include "sysid/machinefixture.h"
#include "sysid/pciidentification.h"

namespace {

using rb::LookupBoardCapabilities;
using rb::LookupBoardName;

// A database file listing (id, name) pairs.
std::string Database(const std::vector<std::pair<std::string, std::string>>& boards,
                     const std::string& root = "SSBoardList") {
  std::string text = "<" + root + "><PCI>";
  for (const auto& [id, name] : boards) text += "<dev id='" + id + "'><name>" + name + "</name></dev>";
  return text + "</PCI></" + root + ">";
}

// The simulated machine has one RAID controller, 1234:5678 with subsystem 1234:0001, whose summary
// entry is described by the machine itself (vmlhw_dl's own board data does not know it).
std::string Machine(bool portDriver) {
  return std::string("<machine><pci>") +
         "<function bus='6' device='0' function='0' vendorID='0x1234' deviceID='0x5678' subVendorID='0x1234'"
         " subsystemID='0x0001' classCode='0x010400' slot='3' description='Summary RAID Controller'/>"
         "</pci>" +
         (portDriver ? "<ports driver='1'/>" : "") + "</machine>";
}

class BoardLookup : public rbtest::MachineFixture {
 protected:
  void SetUp() override {
    MachineFixture::SetUp();
    UseMachine(Machine(false));
  }
};

TEST_F(BoardLookup, DatabasesAreTriedInOrderAndTheSummaryLast) {
  struct Case {
    const char* what;
    std::vector<std::pair<std::string, std::string>> allBoards;  // nothing written when empty
    std::vector<std::pair<std::string, std::string>> pciBoards;
    std::optional<std::string> expected;
  };
  const Case cases[] = {
      {"all-boards four-ID key first",
       {{"1234567812340001", "All Four"}, {"12345678", "All Two"}},
       {{"1234567812340001", "Pci Four"}},
       "All Four"},
      {"a board listed by vendor and device only is found by the four-ID lookup",
       {{"12345678", "All Two"}},
       {{"1234567812340001", "Pci Four"}},
       "All Two"},
      {"PCI-boards four-ID key before the all-boards zero-subsystem key",
       {{"1234567800000000", "All Zero"}},
       {{"1234567812340001", "Pci Four"}},
       "Pci Four"},
      {"all-boards zero-subsystem key", {{"1234567800000000", "All Zero"}}, {}, "All Zero"},
      {"the summary before the PCI-boards zero-subsystem key",
       {},
       {{"1234567800000000", "Pci Zero"}},
       "Summary RAID Controller"},
      {"an empty name counts as none", {{"1234567812340001", ""}}, {{"12345678", "Pci Two"}}, "Pci Two"},
      {"both databases missing: the summary's description", {}, {}, "Summary RAID Controller"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    rb::ResetPciIdentificationForTesting();
    std::filesystem::remove("allboards.xml");
    std::filesystem::remove("pciboards.xml");
    if (!c.allBoards.empty()) Write("allboards.xml", Database(c.allBoards));
    if (!c.pciBoards.empty()) Write("pciboards.xml", Database(c.pciBoards));
    EXPECT_EQ(LookupBoardName(0x1234, 0x5678, 0x1234, 0x0001), c.expected);
  }
  // Nothing anywhere for another board.
  EXPECT_EQ(LookupBoardName(0x1234, 0x9999, 0, 0), std::nullopt);
}

TEST_F(BoardLookup, SummaryIsNotAskedWhileThePortDriverIsPresent) {
  UseMachine(Machine(true));
  EXPECT_EQ(LookupBoardName(0x1234, 0x5678, 0x1234, 0x0001), std::nullopt);
  // The databases still answer.
  rb::ResetPciIdentificationForTesting();
  Write("allboards.xml", Database({{"12345678", "All Two"}}));
  EXPECT_EQ(LookupBoardName(0x1234, 0x5678, 0x1234, 0x0001), "All Two");
}

TEST_F(BoardLookup, KeysAreUpperCaseHex) {
  Write("pciboards.xml",
        "<SSBoardList><PCI>"
        "<dev id='abcd00ef'><name>Lower</name><HardwareErrorsSupport>1</HardwareErrorsSupport></dev>"
        "<dev id='ABCD0100'><name>Upper</name><HardwareErrorsSupport>1</HardwareErrorsSupport>"
        "<FormatErrorsSupport>2</FormatErrorsSupport>"
        "<PredictiveFailureErrorsSupport>259</PredictiveFailureErrorsSupport></dev>"
        "<dev id='ABCD0100'><name>Second</name><HardwareErrorsSupport>7</HardwareErrorsSupport></dev>"
        "</PCI></SSBoardList>");
  // The capability lookup compares the key exactly: a lower-case entry never matches.
  EXPECT_FALSE(LookupBoardCapabilities(0xABCD00EF).has_value());
  const auto upper = LookupBoardCapabilities(0xABCD0100);
  ASSERT_TRUE(upper.has_value());
  EXPECT_EQ(upper->hardwareErrors, 1);  // the first entry of a key
  EXPECT_EQ(upper->formatErrors, 2);
  EXPECT_EQ(upper->predictiveFailure, 3);  // 259 cut to a byte
  // The name lookup is the path query, whose attribute test ignores case.
  EXPECT_EQ(LookupBoardName(0xABCD, 0x00EF, 0, 0), "Lower");
  EXPECT_EQ(LookupBoardName(0xABCD, 0x0100, 0, 0), "Upper");
}

TEST_F(BoardLookup, CapabilitiesNeedAnAcceptedDatabase) {
  // A PCI-boards file of another kind: names are still read from it, capabilities are not.
  Write("pciboards.xml", Database({{"ABCD0100", "Other Kind"}}, "BoardList"));
  EXPECT_EQ(LookupBoardName(0xABCD, 0x0100, 1, 2), "Other Kind");
  EXPECT_FALSE(LookupBoardCapabilities(0xABCD0100).has_value());

  // A missing support element reads 0.
  rb::ResetPciIdentificationForTesting();
  Write("pciboards.xml",
        "<SSBoardList><PCI><dev id='ABCD0100'><FormatErrorsSupport>1</FormatErrorsSupport>"
        "</dev></PCI></SSBoardList>");
  const auto bare = LookupBoardCapabilities(0xABCD0100);
  ASSERT_TRUE(bare.has_value());
  EXPECT_EQ(bare->hardwareErrors, 0);
  EXPECT_EQ(bare->formatErrors, 1);
  EXPECT_EQ(bare->predictiveFailure, 0);
  EXPECT_FALSE(LookupBoardCapabilities(0xABCD0101).has_value());
}

TEST_F(BoardLookup, BrokenDatabaseCountsAsMissing) {
  Write("allboards.xml", "<SSBoardList><PCI><dev id='12345678'><name>Cut short");
  Write("pciboards.xml",
        "<SSBoardList><PCI><dev id='12345678'><name>Pci Two</name></dev></PCI></SSBoardList>");
  EXPECT_EQ(LookupBoardName(0x1234, 0x5678, 0x1234, 0x0001), "Pci Two");
}

TEST_F(BoardLookup, DatabaseIsLoadedOnceAndKept) {
  Write("allboards.xml", Database({{"12345678", "First"}}));
  EXPECT_EQ(LookupBoardName(0x1234, 0x5678, 0, 0), "First");
  Write("allboards.xml", Database({{"12345678", "Rewritten"}}));
  EXPECT_EQ(LookupBoardName(0x1234, 0x5678, 0, 0), "First");
}

// The index answers what the path query "PCI/dev[@id='…']/name" answers, duplicates and several PCI
// elements included.
TEST(BoardDatabase, AnswersLikeThePathQuery) {
  rbtest::ScratchDir dir;
  const std::string text =
      "<SSBoardList>"
      "<PCI><dev id='11110001'/><dev id='11110002'><name>Two</name><name>Two again</name></dev></PCI>"
      "<pci><dev id='11110001'><NAME>One late</NAME></dev><dev id='11110002'><name>Two later</name></dev>"
      "<dev ID='11110003'><name></name></dev><dev><name>No id</name></dev></pci>"
      "</SSBoardList>";
  rb::BoardDatabase database({dir.Write("boards.xml", text)});
  const rb::XmlObject document(text);
  for (const char* key : {"11110001", "11110002", "11110003", "", "11110004"}) {
    SCOPED_TRACE(key);
    const rb::XmlObject* byQuery = document.SelectSingleNode("PCI/dev[@id='" + std::string(key) + "']/name");
    const std::optional<std::string> expected =
        byQuery != nullptr ? std::optional<std::string>(byQuery->Text()) : std::nullopt;
    EXPECT_EQ(database.Name(key), expected);
  }
  EXPECT_EQ(database.Name("11110001"), "One late");
}

}  // namespace
