#include "sysid/pcivendorlist.h"

#include <gtest/gtest.h>

#include <optional>
#include <stdexcept>
#include <string>

#include "platform/recordingplatform.h"
#include "platform/scratchdir.h"
#include "sysid/machinefixture.h"
#include "sysid/pciidentification.h"

namespace {

using rb::PciVendorList;

std::string ErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const std::runtime_error& error) {
    return error.what();
  }
  return "(nothing raised)";
}

TEST(PciVendorList, ReadsTheLinesThatStartWithAVendorId) {
  rbtest::ScratchDir dir;
  const std::string longName(1100, 'x');
  const std::string path = dir.Write("pcivendors.txt",
                                     "# comment line\n"
                                     "0e00 First Vendor\n"
                                     "\n"
                                     " 0f00 indented, skipped\n"
                                     "1000 Trailing Blanks \t \r\n"
                                     "1001\n"
                                     "10000 Five digits, skipped\n"
                                     "1af4 Red Hat, Inc.\n"
                                     "2000 " +
                                         longName +
                                         "\n"
                                         "8086  Two spaces keep one\n"
                                         "FFFF Upper Case\n");
  PciVendorList list;
  ASSERT_TRUE(list.Load(path));
  struct Case {
    std::uint16_t id;
    std::optional<std::string> name;
  };
  const Case cases[] = {
      {0x0e00, "First Vendor"},
      {0x0f00, std::nullopt},
      {0x1000, "Trailing Blanks"},
      {0x1001, ""},
      {0x1af4, "Red Hat, Inc."},
      {0x2000, std::string(1024 - 5, 'x')},  // a line is read up to 1024 characters
      {0x8086, " Two spaces keep one"},
      {0xffff, "Upper Case"},
      {0x0000, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    EXPECT_EQ(list.Lookup(c.id), c.name);
  }
  // The cut-off rest of the long line is not read as a line of its own.
  EXPECT_EQ(list.Size(), 7u);
}

TEST(PciVendorList, OutOfOrderFileHidesSomeVendors) {
  rbtest::ScratchDir dir;
  PciVendorList list;
  ASSERT_TRUE(list.Load(dir.Write("v.txt", "0009 Nine\n0001 One\n0005 Five\n0007 Seven\n")));
  EXPECT_EQ(list.Size(), 4u);
  EXPECT_EQ(list.At(0).name, "Nine");  // kept in file order
  EXPECT_EQ(list.Lookup(0x0005), "Five");
  EXPECT_EQ(list.Lookup(0x0009), std::nullopt);  // present, but the bisection never gets there
}

TEST(PciVendorList, GrowsPastItsFirstCapacity) {
  PciVendorList list;
  EXPECT_EQ(list.Capacity(), PciVendorList::kInitialCapacity);
  for (std::uint16_t id = 0; id < 300; ++id)
    list.Add(static_cast<std::uint16_t>(id * 3), "v" + std::to_string(id));
  EXPECT_EQ(list.Size(), 300u);
  EXPECT_GE(list.Capacity(), 300u);
  for (std::uint16_t id = 0; id < 300; ++id) {
    EXPECT_EQ(list.Lookup(static_cast<std::uint16_t>(id * 3)), "v" + std::to_string(id));
    EXPECT_EQ(list.Lookup(static_cast<std::uint16_t>(id * 3 + 1)), std::nullopt);
  }
  EXPECT_EQ(list.At(299).name, "v299");
  EXPECT_EQ(ErrorOf([&] { list.At(300); }), "Error: Index out of bounds.");
}

TEST(PciVendorList, MissingFileIsTracedAndLeavesTheListEmpty) {
  rbtest::RecordingPlatform* recorder = nullptr;
  auto recording = std::make_unique<rbtest::RecordingPlatform>(os::Native());
  recorder = recording.get();
  rbtest::InstalledPlatform installed(std::move(recording));
  rbtest::ScratchDir dir;
  PciVendorList list;
  EXPECT_FALSE(list.Load(dir.File("absent.txt")));
  EXPECT_EQ(list.Size(), 0u);
  EXPECT_EQ(list.Lookup(0x8086), std::nullopt);
  EXPECT_EQ(recorder->Output(), std::vector<std::string>{"unable to open " + dir.File("absent.txt") + "\n"});
}

// The process's list is ./pcivendors.txt, read once.
class VendorName : public rbtest::MachineFixture {};

TEST_F(VendorName, ComesFromTheCurrentDirectoryOnce) {
  EXPECT_EQ(rb::LookupVendorName(0x8086), std::nullopt);  // no file: the list stays empty
  Write("pcivendors.txt", "8086 Intel Corporation\n");
  EXPECT_EQ(rb::LookupVendorName(0x8086), std::nullopt);
  rb::ResetPciIdentificationForTesting();
  EXPECT_EQ(rb::LookupVendorName(0x8086), "Intel Corporation");
}

}  // namespace
