// The tape drive device on a simulated drive: the eject's readiness checks on the simulated clock, the
// catalog's status and capability list (or what stands for them when the drive cannot answer), the
// tape error texts, the media test's pattern, and the drive's persistent form.

#include "devices/tape/scsitape.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "devices/tape/scsitapetestpattern.h"
#include "devices/tape/tapeerrors.h"
#include "framework/ptstream.h"
#include "platform/wintape.h"
#include "support/xmlobject.h"
#include "tapebench.h"

namespace {

// The value of the element's property `name`; "(none)" when it has none.
std::string PropertyValue(const rb::XmlObject& element, const std::string& name) {
  for (const rb::XmlObject* property : element.GetChildren("property"))
    if (property->GetAttribute("name") == name) return property->GetAttribute("value");
  return "(none)";
}

// The first child named `name`, or null.
const rb::XmlObject* FirstChild(const rb::XmlObject& element, const std::string& name) {
  const std::vector<const rb::XmlObject*> children = element.GetChildren(name);
  return children.empty() ? nullptr : children.front();
}

TEST(ScsiTape, EjectWaitsForReadinessUpToTenMoreChecksOneSecondApart) {
  struct Case {
    const char* attributes;
    bool ejected;
    int checks;
    std::uint64_t waitedMs;
  };
  for (const Case c : {
           Case{"medium=\"1\"", true, 1, 0},
           // Not ready for three checks: ready on the fourth, three seconds later.
           Case{"medium=\"1\" becomesReadyAfter=\"3\"", true, 4, 3000},
           // Never ready within the ten further checks.
           Case{"medium=\"1\" becomesReadyAfter=\"11\"", false, 11, 10000},
           Case{"", false, 11, 10000},
       }) {
    rbtest::TapeBench bench(c.attributes);
    auto tape = bench.MakeTape();
    const std::uint64_t start = bench.Sim().Clock().Now();
    EXPECT_EQ(tape->Eject(), c.ejected) << c.attributes;
    EXPECT_EQ(bench.Watch().readinessChecks, c.checks) << c.attributes;
    EXPECT_EQ(bench.Sim().Clock().Now() - start, c.waitedMs) << c.attributes;
    // An ejected tape leaves the drive empty.
    if (c.ejected) {
      EXPECT_EQ(tape->TapeStatus(), win::ERROR_NO_MEDIA_IN_DRIVE) << c.attributes;
    }
  }
}

TEST(ScsiTape, TapeErrorTexts) {
  struct Case {
    win::DWORD code;
    const char* name;
    const char* text;
  };
  for (const Case c : {
           Case{win::ERROR_NO_MEDIA_IN_DRIVE, "No Media In Drive", "There is no media in the drive."},
           Case{win::ERROR_WRITE_PROTECT, "Write Protect", "The media is write protected."},
           Case{win::ERROR_NOT_SUPPORTED, "Function Not Supported", "The tape driver does not support a requested function."},
           Case{win::ERROR_DEVICE_REQUIRES_CLEANING, "Drive Requires Cleaning",
                "The tape drive reports that it requires cleaning."},
           Case{win::ERROR_UNABLE_TO_LOCK_MEDIA, "Unable to lock ejection mechanism failed.",
                "An attempt to lock the media failed."},
       }) {
    const rb::ScsiTape tape;
    EXPECT_EQ(tape.ErrorName(c.code), c.name);
    EXPECT_EQ(tape.ErrorText(c.code), c.text);
  }
  // Sixteen codes have texts of their own; another one is the system's error.
  int known = 0;
  for (win::DWORD code = 0; code < 2000; ++code) known += rb::FindTapeError(code) != nullptr;
  EXPECT_EQ(known, 16);
  EXPECT_EQ(rb::TapeErrorName(win::ERROR_IO_DEVICE), "Error 1117");
}

TEST(ScsiTape, CatalogShowsStatusAndCapabilitiesOrWhatStandsForThem) {
  {
    rbtest::TapeBench bench("medium=\"1\" compression=\"1\"");
    auto tape = bench.MakeTape();
    rb::XmlObject element;
    tape->DescribeTape(element);
    EXPECT_EQ(PropertyValue(element, "statusDescription"), "Drive Ready");
    const rb::XmlObject* capabilities = FirstChild(element, "capabilities");
    ASSERT_NE(capabilities, nullptr);
    std::vector<std::string> headings;
    std::vector<std::size_t> items;
    for (const rb::XmlObject* group : capabilities->GetChildren("capabilityGroup")) {
      headings.push_back(group->GetAttribute("caption"));
      items.push_back(group->GetChildren("property").size());
    }
    EXPECT_EQ(headings, (std::vector<std::string>{"General Drive Parameters :", "Blocking and Partitioning Support :",
                                                  "Data Compression and Error Correction :",
                                                  "Eject, Erase, Tension and Padding Support :",
                                                  "Filemark and Setmark Support :"}));
    EXPECT_EQ(items, (std::vector<std::size_t>{16, 13, 6, 11, 12}));
    const rb::XmlObject* general = FirstChild(*capabilities, "capabilityGroup");
    EXPECT_EQ(PropertyValue(*general, "maximumBlockSize"), "262144");
    EXPECT_EQ(PropertyValue(*general, "writeProtectError"), "Yes");
    EXPECT_EQ(PropertyValue(*capabilities->GetChildren("capabilityGroup")[2], "compressionEnabled"), "Yes");
    EXPECT_EQ(PropertyValue(*capabilities->GetChildren("capabilityGroup")[4], "writesSetmarks"), "No");
  }
  {
    // An empty drive that refuses READ BLOCK LIMITS: not ready, and no capabilities.
    rbtest::TapeBench bench("", R"(<fault opcode="0x05" sense="5" asc="0x20" ascq="0"/>)");
    auto tape = bench.MakeTape();
    rb::XmlObject element;
    tape->DescribeTape(element);
    EXPECT_EQ(PropertyValue(element, "statusDescription"), "Drive Not Ready");
    EXPECT_EQ(PropertyValue(element, "tapeStatus"), "No Media In Drive: There is no media in the drive.");
    EXPECT_EQ(PropertyValue(element, "driveParameters"), "GetTapeParmErr");
    EXPECT_EQ(PropertyValue(element, "driveParametersError"),
              "Function Not Supported: The tape driver does not support a requested function.");
    EXPECT_EQ(FirstChild(element, "capabilities"), nullptr);
  }
}

TEST(ScsiTape, ThePatternTellsEveryChangeAndIsKeptWithTheDrive) {
  const rb::ScsiTapeTestPattern pattern(7, 4096, 3);
  std::vector<std::uint8_t> block = pattern.Block(1);
  EXPECT_EQ(pattern.FirstDifference(1, block.data(), block.size()), -1);
  EXPECT_EQ(pattern.FirstDifference(0, block.data(), block.size()), 0) << "a block out of place";
  EXPECT_EQ(pattern.FirstDifference(1, block.data(), block.size() - 1), 4095) << "a short block";
  block[3000] ^= 0x80;
  EXPECT_EQ(pattern.FirstDifference(1, block.data(), block.size()), 3000);
  EXPECT_NE(rb::ScsiTapeTestPattern(8, 4096, 3).Block(1), pattern.Block(1)) << "the seed matters";

  rb::ScsiTape tape("scsiTape", false, nullptr, 0, 3, 0);
  tape.SetTapeNumber(2);
  tape.SetDeviceFile("\\\\.\\Tape1");
  tape.SetPattern(pattern);
  std::unique_ptr<rb::ScsiTape> copy = rb::CloneCopy(tape);
  EXPECT_EQ(copy->TapeNumber(), 2);
  EXPECT_EQ(copy->DeviceFile(), "\\\\.\\Tape1");
  EXPECT_EQ(copy->Pattern().Seed(), 7u);
  EXPECT_EQ(copy->Pattern().BlockSize(), 4096u);
}

}  // namespace
