// The component in its persistent file: the exact bytes of a fresh component, the round trip through
// Uninitialize and Initialize, and files that were damaged.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "component/componentfile.h"
#include "component/componentinstance.h"
#include "component/storagetestcomponent.h"
#include "framework/ptstream.h"
#include "framework/testdoubles.h"
#include "platform/scratchdir.h"
#include "ravelbank/host.h"
#include "support/debug.h"
#include "support/xmlobject.h"

namespace rb {
namespace {

using rbtest::HostEvents;
using rbtest::RecordingDevice;
using rbtest::ScriptedTest;

std::string Zeros(std::size_t count) {
  return std::string(count, '\0');
}
std::string Le32(std::uint32_t value) {
  std::string out;
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>(value >> (8 * i)));
  return out;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string Options(const std::string& path, const std::string& extra = "") {
  XmlObject options;
  options.SetName("options");
  options.SetAttribute("persistentFilename", path);
  return options.ToString().insert(8, extra);
}

std::string Take(char* text) {
  std::string copy(text != nullptr ? text : "(null)");
  if (text != nullptr) OruFree(text);
  return copy;
}

TEST(PersistentComponent, FreshComponentBytes) {
  StorageTestComponent component;
  optstream out;
  WriteComponent(out, component);
  const std::string expected =
      // The component: tag 3, number 0, class name, version 0.
      "\x03" + Le32(0) + Le32(20) + "StorageTestComponent" + Le32(0) +
      // No devices, an empty name.
      Zeros(8) + Zeros(4) +
      // The PCI summary held by value: tag 2, number 1, version 0; name, text, no parent, depth 0 and
      // four empty lists.
      "\x02" + Le32(1) + Le32(0) + Zeros(4) + Zeros(4) + Zeros(1) + Zeros(4) + Zeros(8 * 4) +
      // No array controllers, no fibre-channel adapters.
      Zeros(8) + Zeros(8) +
      // The host-enumeration table, its flag, the SCSI port addresses and values.
      Zeros(49280) + Zeros(1) + Zeros(8) + Zeros(8);
  EXPECT_EQ(out.Bytes().size(), 49412u);
  EXPECT_EQ(out.Bytes(), expected);
}

class PersistentFile : public ::testing::Test {
 protected:
  void SetUp() override { rbtest::RegisterTestDoubles(); }
  void TearDown() override { Uninitialize(nullptr); }

  rbtest::ScratchDir dir_;
};

// A component with devices written at Uninitialize is the component a new Initialize reads.
TEST_F(PersistentFile, RoundTripThroughTheExports) {
  const std::string path = dir_.File("storage.persist");
  Initialize(Options(path, " component='first.so'").c_str());
  ASSERT_TRUE(IsInitialized());
  EXPECT_TRUE(ComponentInstance()->Devices().empty());  // no file yet
  for (const char* name : {"disk10", "disk9"}) {
    auto disk = std::make_unique<RecordingDevice>(name);
    disk->SetCaption(std::string("Disk ") + name);
    disk->AddTest(std::make_unique<ScriptedTest>("verify", "passed", "read back"));
    ComponentInstance()->AddDevice(std::move(disk));
  }
  Uninitialize(Options(path).c_str());
  EXPECT_FALSE(IsInitialized());
  ASSERT_TRUE(std::filesystem::exists(path));

  Initialize(Options(path, " component='second.so'").c_str());
  ASSERT_TRUE(IsInitialized());
  TestComponent& component = *ComponentInstance();
  EXPECT_EQ(component.ComponentName(), "second.so");  // the options name it, not the file
  std::vector<std::string> names;
  for (const Device* device : component.Devices()) names.push_back(device->Name());
  EXPECT_EQ(names, (std::vector<std::string>{"disk9", "disk10"}));
  ASSERT_NE(component.FindDevice("disk10"), nullptr);
  EXPECT_EQ(component.FindDevice("disk10")->Caption(), "Disk disk10");

  // The read devices run their read tests.
  Take(SetCallback(&HostEvents::Record));
  const XmlObject result(Take(ExecuteXMLCommand("<runTest device='disk10' test='verify'/>")));
  EXPECT_EQ(result.GetAttribute("currentState"), "passed");
  ASSERT_NE(result.SelectSingleNode("output"), nullptr);
  EXPECT_EQ(result.SelectSingleNode("output")->Text(), "read back");
}

// A file that cannot be read back: a fresh component and a trace; the file stays as it is until an
// Uninitialize is asked to write it.
TEST_F(PersistentFile, UnreadableFileIsLeftAlone) {
  const std::string damaged = "\x03" + Le32(0) + Le32(20) + "StorageTestComponent" + Le32(0) + Zeros(3);
  const std::string path = dir_.Write("storage.persist", damaged);
  const bool debug = IsDebugEnabled();
  testing::internal::CaptureStderr();
  Initialize(Options(path, " debugEnabled='1'").c_str());
  const std::string trace = testing::internal::GetCapturedStderr();
  SetDebugEnabled(debug);
  ASSERT_TRUE(IsInitialized());
  EXPECT_TRUE(ComponentInstance()->Devices().empty());
  EXPECT_NE(trace.find("Unexpected end of persistent stream"), std::string::npos) << trace;
  ComponentInstance()->AddDevice(std::make_unique<RecordingDevice>("tape0"));

  Uninitialize(nullptr);  // no options: nothing is written
  EXPECT_EQ(ReadFile(path), damaged);
  Initialize(Options(path).c_str());
  Uninitialize("<options/>");  // no file named: nothing is written
  EXPECT_EQ(ReadFile(path), damaged);

  Initialize(Options(path).c_str());
  ComponentInstance()->AddDevice(std::make_unique<RecordingDevice>("tape0"));
  Uninitialize(Options(path).c_str());
  Initialize(Options(path).c_str());
  EXPECT_NE(ComponentInstance()->FindDevice("tape0"), nullptr);
}

// Every single damaged byte and every truncation of a saved component, read the way Initialize reads
// it: the component or the stream's runtime error, nothing else.
TEST_F(PersistentFile, DamagedBytesNeverGetPastTheReader) {
  StorageTestComponent component;
  auto disk = std::make_unique<RecordingDevice>("disk0");
  disk->AddTest(std::make_unique<ScriptedTest>("verify", "passed", "ok"));
  disk->AddInterface(Interface("ctrl0", "Controller", "", Interface::kParent));
  disk->AddDiagnosis(std::make_unique<rbtest::FixedDiagnosis>(disk.get(), "passed"));
  Device* controller = disk.get();
  component.AddDevice(std::move(disk));
  component.AddDevice(std::make_unique<rbtest::ProxiedAdapter>("fc0"));
  component.AddArrayController(controller);
  component.AddFibreAdapter(dynamic_cast<rbtest::ProxiedAdapter*>(component.FindDevice("fc0")));
  optstream out;
  WriteComponent(out, component);
  const std::string saved = out.Bytes();

  const auto read = [](const std::string& bytes) -> std::string {
    iptstream in(bytes);
    try {
      ReadComponent(in);
      return "read";
    } catch (const std::runtime_error&) {
      return "refused";
    } catch (const std::exception& error) {
      return std::string("other error: ") + error.what();
    }
  };
  ASSERT_EQ(read(saved), "read");
  int refused = 0;
  std::string bytes = saved;
  for (std::size_t i = 0; i < saved.size(); ++i) {
    for (const unsigned char mask : {0x01, 0x80, 0xff}) {
      bytes[i] = static_cast<char>(saved[i] ^ mask);
      const std::string outcome = read(bytes);
      if (outcome == "refused") ++refused;
      ASSERT_NE(outcome.rfind("other", 0), 0u) << "byte " << i << " ^ " << int(mask) << ": " << outcome;
    }
    bytes[i] = saved[i];
    ASSERT_EQ(read(saved.substr(0, i)), "refused") << "truncated to " << i;
  }
  EXPECT_GT(refused, 0);
}

}  // namespace
}  // namespace rb
