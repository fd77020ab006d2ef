// The persistent file through the loaded component: what Uninitialize writes, and what Initialize does
// with a file that was damaged afterwards. Each scenario leaves the host allocator as it found it.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

#include "hostharness.h"

namespace e2e {
namespace {

constexpr const char* kVersion = "<diagVersion>7.9.1.2401A</diagVersion>";
constexpr const char* kFile = "persistent-e2e.bin";
constexpr const char* kOptions = "<options component='e2e.so' persistentFilename='persistent-e2e.bin'/>";

std::string Contents() {
  std::ifstream in(kFile, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Replace(const std::string& bytes) {
  std::ofstream(kFile, std::ios::binary | std::ios::trunc) << bytes;
}

class PersistentFileHost : public ::testing::Test {
 protected:
  // What the component creates once per process (platform backend, run environment, catalogs) is made
  // before the baselines are taken.
  static void SetUpTestSuite() {
    Host().Initialize("<options component='e2e.so'/>");
    Take(Host().SetCallback(&ScriptedCallback));
    Send("<getDiagVersion/>");
    Host().Uninitialize(nullptr);
    TakeEvents();
  }

  void SetUp() override {
    std::filesystem::remove(kFile);
    blocks_ = Host().OruGetOutstandingBlocks();
    bytes_ = Host().OruGetOutstandingBytes();
  }

  void TearDown() override {
    Host().Uninitialize(nullptr);
    std::filesystem::remove(kFile);
    EXPECT_EQ(Host().OruGetOutstandingBlocks(), blocks_) << "allocator blocks left after the scenario";
    EXPECT_EQ(Host().OruGetOutstandingBytes(), bytes_) << "allocator bytes left after the scenario";
  }

  // Initialize with the file and check that the component answers.
  static void StartWithFile() {
    Host().Initialize(kOptions);
    ASSERT_TRUE(Host().IsInitialized());
    EXPECT_EQ(Send("<getDiagVersion/>"), kVersion);
  }

 private:
  std::uint64_t blocks_ = 0;
  std::uint64_t bytes_ = 0;
};

TEST_F(PersistentFileHost, FreshComponentFileHasItsLayout) {
  StartWithFile();
  Host().Uninitialize(kOptions);
  const std::string file = Contents();
  // Tag 3, object 0, the class name, version 0, no devices, the component name; then the PCI summary of
  // the machine, which has no PCI functions (an empty root named "pciSummary"), and the rest of the
  // fixed layout (49,412 bytes for a component without a name and with an empty summary).
  const std::string head = std::string("\x03\0\0\0\0\x14\0\0\0", 9) + "StorageTestComponent" +
                           std::string(4 + 8, '\0') + std::string("\x06\0\0\0", 4) + "e2e.so" +
                           std::string("\x02\x01\0\0\0\0\0\0\0\x0a\0\0\0", 13) + "pciSummary";
  EXPECT_EQ(file.size(), 49412u + 6u + 10u);
  EXPECT_EQ(file.substr(0, head.size()), head);

  StartWithFile();  // read back
  Host().Uninitialize(kOptions);
  EXPECT_EQ(Contents(), file);
}

// The first line of a sysfs file, such as "0x8086".
std::string SysfsLine(const std::filesystem::path& file) {
  std::ifstream in(file);
  std::string line;
  std::getline(in, line);
  return line;
}

// A new component holds the PCI functions of the machine it runs on, as the file it saves shows: the
// simulated demo server's boards, and without a simulated machine this machine's own functions, named
// with the vendor names of data/pcivendors.txt.
TEST_F(PersistentFileHost, NewComponentHoldsTheMachinesPciFunctions) {
  {
    ScopedEnvironment machine("RAVELBANK_MACHINE", RAVELBANK_SOURCE_DIR "/machines/demo.xml");
    StartWithFile();
    Host().Uninitialize(kOptions);
  }
  const std::string demo = Contents();
  for (const char* board : {"RB SATA AHCI Controller", "RB Array Controller 4640", "RB Ultra320 SCSI Adapter",
                            "RB 8Gb Fibre Channel Host Adapter"})
    EXPECT_NE(demo.find(board), std::string::npos) << board;

  const std::filesystem::path devices = "/sys/bus/pci/devices";
  if (!std::filesystem::is_directory(devices)) GTEST_SKIP() << "this machine has no PCI bus in sysfs";
  {
    ScopedEnvironment machine("RAVELBANK_MACHINE", nullptr);
    std::filesystem::remove(kFile);
    StartWithFile();
    Host().Uninitialize(kOptions);
  }
  const std::string own = Contents();
  EXPECT_EQ(own.find("RB Array Controller 4640"), std::string::npos);
  std::map<std::string, std::string> vendors;
  std::ifstream list(RAVELBANK_SOURCE_DIR "/data/pcivendors.txt");
  for (std::string line; std::getline(list, line);)
    if (line.size() > 5 && line[0] != '#') vendors.emplace(line.substr(0, 4), line.substr(5));
  int named = 0;
  for (const auto& function : std::filesystem::directory_iterator(devices)) {
    const std::string location = function.path().filename().string();
    SCOPED_TRACE(location);
    EXPECT_NE(own.find(location), std::string::npos);  // each function, by its sysfs name
    const std::string vendor = SysfsLine(function.path() / "vendor").substr(2);
    const auto name = vendors.find(vendor);
    if (name == vendors.end()) continue;
    EXPECT_NE(own.find(name->second), std::string::npos) << vendor;
    ++named;
  }
  EXPECT_GT(named, 0) << "no function of this machine has a vendor of the list";
}

// A damaged file is moved aside (its name with ".unreadable" added) before the fresh component that
// replaces it can be saved over it.
TEST_F(PersistentFileHost, DamagedFileStartsAFreshComponentAndIsMovedAside) {
  const std::string aside = std::string(kFile) + ".unreadable";
  StartWithFile();
  Host().Uninitialize(kOptions);
  const std::string good = Contents();
  ASSERT_GT(good.size(), 100u);

  std::string badTag = good;
  badTag[0] = '\x04';
  std::string hugeCount = good;
  hugeCount[40] = '\x7f';  // the top byte of the device count
  for (const std::string& damaged : {good.substr(0, good.size() / 2), badTag, hugeCount, std::string()}) {
    Replace(damaged);
    StartWithFile();
    Host().Uninitialize(nullptr);
    EXPECT_FALSE(std::filesystem::exists(kFile));
    std::ifstream in(aside, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()), damaged);
  }
  // The fresh component is saved when an Uninitialize is asked to write it.
  StartWithFile();
  Host().Uninitialize(kOptions);
  EXPECT_EQ(Contents(), good);
  std::filesystem::remove(aside);
}

}  // namespace
}  // namespace e2e
