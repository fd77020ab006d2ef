#include "support/storageconfig.h"

#include <gtest/gtest.h>

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "sysid/machinefixture.h"

namespace {

using rb::ApplySlotOverride;
using rb::IsListedBackPlane;
using rb::ReadBackPlaneList;
using Lines = std::vector<std::string>;

// storageconfig.xml is read from the current directory, a scratch directory here.
class StorageConfig : public rbtest::MachineFixture {
 protected:
  Lines TraceSince(std::size_t first) {
    const Lines all = Recorder().Output();
    return Lines(all.begin() + static_cast<std::ptrdiff_t>(std::min(first, all.size())), all.end());
  }
};

TEST_F(StorageConfig, SlotOverrideByBus) {
  Write("storageconfig.xml",
        "<storageConfig>"
        "<slotOverride>"
        "<controller bus='6' slot='3'/><controller bus=' +11x' slot='4'/><controller bus='6' slot='9'/>"
        "<CONTROLLER slot='7'/><controller bus='12'/><controller bus='13' slot='two'/>"
        "</slotOverride>"
        "<slotOverride><controller bus='20' slot='5'/></slotOverride>"
        "</storageConfig>");
  struct Case {
    int bus;
    std::optional<int> slot;
  };
  const Case cases[] = {
      {6, 3},              // two entries for bus 6: the first wins
      {11, 4},             // read as atoi reads: blanks, sign, digits, the rest ignored
      {0, 7},              // an entry without bus stands for bus 0; element names ignore case
      {12, 0},             // no slot reads 0
      {13, 0},             // neither does a slot that is not a number
      {20, std::nullopt},  // only the first slotOverride counts
      {5, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bus);
    EXPECT_EQ(ApplySlotOverride(c.bus), c.slot);
  }
}

TEST_F(StorageConfig, SlotOverrideIsTraced) {
  Write("storageconfig.xml",
        "<storageConfig><slotOverride><controller bus='4' slot='1'/><controller bus='6' slot='3'/>"
        "</slotOverride></storageConfig>");
  const std::size_t start = Recorder().Output().size();
  EXPECT_EQ(ApplySlotOverride(6), 3);
  EXPECT_EQ(TraceSince(start),
            (Lines{"file loaded\n", "storageconfig::titleTag found\n", "storageconfig::slotOverride found\n",
                   "controller bus =6\n", "configfile bus =4\n", "configfile bus =6\n",
                   "device bus matched with the configuration file\n"}));
}

TEST_F(StorageConfig, FilesThatGiveNoOverride) {
  const std::pair<const char*, std::optional<std::string>> cases[] = {
      {"no file", std::nullopt},
      {"root in other case",
       "<STORAGECONFIG><slotOverride><controller bus='6' slot='3'/></slotOverride>"
       "</STORAGECONFIG>"},
      {"no slotOverride", "<storageConfig><cissBackPlaneList/></storageConfig>"},
      {"empty file", ""},
  };
  for (const auto& [what, content] : cases) {
    SCOPED_TRACE(what);
    std::filesystem::remove("storageconfig.xml");
    if (content) Write("storageconfig.xml", *content);
    EXPECT_EQ(ApplySlotOverride(6), std::nullopt);
  }
  Write("storageconfig.xml", "<storageConfig><slotOverride><controller bus='6'></slotOverride>");
  EXPECT_THROW(ApplySlotOverride(6), std::runtime_error);
}

TEST_F(StorageConfig, BackPlaneList) {
  const std::string file = Dir().File("site.xml");
  struct Case {
    const char* what;
    std::optional<std::string> content;
    Lines list;
  };
  const Case cases[] = {
      {"no file: the built-in list", std::nullopt, {"KSR"}},
      {"root in other case: nothing",
       "<StorageConfig><cissBackPlaneList><productID>X</productID>"
       "</cissBackPlaneList></StorageConfig>",
       {}},
      {"no list: nothing", "<storageConfig/>", {}},
      {"entries in order, empty ones kept, the first list only",
       "<storageConfig><CISSBACKPLANELIST><productID>KSR</productID><productid/><productID>BP 2</productID>"
       "<other>no</other></CISSBACKPLANELIST><cissBackPlaneList><productID>Late</productID>"
       "</cissBackPlaneList></storageConfig>",
       {"KSR", "", "BP 2"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove(file);
    if (c.content) Write("site.xml", *c.content);
    EXPECT_EQ(ReadBackPlaneList(file), c.list);
  }
}

TEST_F(StorageConfig, ListedBackPlanes) {
  struct Case {
    std::optional<std::string> list;  // the productID entries; no file when empty
    const char* id;
    bool listed;
  };
  const auto file = [](const std::vector<std::string>& ids) {
    std::string text = "<storageConfig><cissBackPlaneList>";
    for (const std::string& id : ids) text += "<productID>" + id + "</productID>";
    return text + "</cissBackPlaneList></storageConfig>";
  };
  const Case cases[] = {
      {std::nullopt, "KSR1000 Enclosure", true},  // contains the built-in "KSR"
      {std::nullopt, "KS", true},                 // is contained in it
      {std::nullopt, "ksr1000", false},           // exact case
      {std::nullopt, "MSA70", false},
      {file({"MSA", "D2700"}), "D2700 Enclosure", true},
      {file({"MSA", "D2700"}), "KSR1000", false},  // the file replaces the built-in list
      {file({"MSA", ""}), "anything", true},       // an empty entry lists every product
      {file({}), "KSR", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    std::filesystem::remove("storageconfig.xml");
    if (c.list) Write("storageconfig.xml", *c.list);
    EXPECT_EQ(IsListedBackPlane(c.id), c.listed);
  }
}

TEST_F(StorageConfig, BackPlaneSearchIsTraced) {
  Write("storageconfig.xml",
        "<storageConfig><cissBackPlaneList><productID>MSA</productID><productID>D2700</productID>"
        "<productID>D3700</productID></cissBackPlaneList></storageConfig>");
  const std::size_t start = Recorder().Output().size();
  EXPECT_TRUE(IsListedBackPlane("D2700 Bay"));
  EXPECT_EQ(TraceSince(start),
            (Lines{"fileName storageconfig.xml\n", "file loaded\n", "storageconfig::titleTag found\n",
                   "storageconfig::cissBackPlaneList found\n", "\n", "Searching for, D2700 Bay\n",
                   "List item 0, MSA\n", "List item 1, D2700\n"}));
}

}  // namespace

namespace {

TEST_F(StorageConfig, SampleFileOfTheDataFolder) {
  Write("storageconfig.xml", ReadText(RAVELBANK_SOURCE_DIR "/data/storageconfig.xml"));
  EXPECT_EQ(ApplySlotOverride(6), 3);
  EXPECT_EQ(ApplySlotOverride(11), 4);
  EXPECT_EQ(ReadBackPlaneList(rb::kStorageConfigFile), Lines{"KSR"});
}

}  // namespace
