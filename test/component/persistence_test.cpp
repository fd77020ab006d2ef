// The component in its persistent file: the exact bytes of a fresh component, the round trip through
// Uninitialize and Initialize, and files that were damaged.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <algorithm>
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
#include "platform/forwardingplatform.h"
#include "platform/os.h"
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
  for (const auto& device : component.Devices()) names.push_back(device->Name());
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

// A file that cannot be read back: a fresh component, and the file moved aside (replacing an older
// one) before anything can write over it, with a trace that says where it went.
TEST_F(PersistentFile, UnreadableFileIsMovedAside) {
  const std::string damaged = "\x03" + Le32(0) + Le32(20) + "StorageTestComponent" + Le32(0) + Zeros(3);
  const std::string path = dir_.Write("storage.persist", damaged);
  const std::string aside = dir_.Write("storage.persist.unreadable", "older");
  const bool debug = IsDebugEnabled();
  testing::internal::CaptureStderr();
  Initialize(Options(path, " debugEnabled='1'").c_str());
  const std::string trace = testing::internal::GetCapturedStderr();
  SetDebugEnabled(debug);
  ASSERT_TRUE(IsInitialized());
  EXPECT_TRUE(ComponentInstance()->Devices().empty());
  EXPECT_NE(trace.find("Unexpected end of persistent stream"), std::string::npos) << trace;
  EXPECT_NE(trace.find("moved to " + aside), std::string::npos) << trace;
  EXPECT_FALSE(std::filesystem::exists(path));
  EXPECT_EQ(ReadFile(aside), damaged);

  ComponentInstance()->AddDevice(std::make_unique<RecordingDevice>("tape0"));
  Uninitialize(Options(path).c_str());
  EXPECT_EQ(ReadFile(aside), damaged);  // the fresh component's file is saved beside it
  Initialize(Options(path).c_str());
  EXPECT_NE(ComponentInstance()->FindDevice("tape0"), nullptr);
}

// Writes stop with "disk full" once the file holds `room` bytes.
class FullDisk : public rbtest::ForwardingPlatform {
 public:
  explicit FullDisk(std::size_t room) : ForwardingPlatform(os::Native()), room_(room) {}
  bool WriteFile(win::HANDLE handle, const void* buffer, win::DWORD toWrite, win::DWORD* written) override {
    const auto fits = static_cast<win::DWORD>(std::min<std::size_t>(toWrite, room_ - used_));
    const bool ok = ForwardingPlatform::WriteFile(handle, buffer, fits, written);
    used_ += *written;
    if (!ok || fits == toWrite) return ok;
    SetLastError(win::ERROR_DISK_FULL);
    return false;
  }

 private:
  std::size_t room_;
  std::size_t used_ = 0;
};

// A save that cannot complete, on a file system that fills up or under a file-size limit, leaves the
// previous file byte for byte, no temporary file, and a trace.
TEST_F(PersistentFile, FailedSaveLeavesThePreviousFile) {
  const std::string path = dir_.File("storage.persist");
  Initialize(Options(path).c_str());
  ComponentInstance()->AddDevice(std::make_unique<RecordingDevice>("tape0"));
  Uninitialize(Options(path).c_str());
  const std::string previous = ReadFile(path);
  ASSERT_GT(previous.size(), 4096u);

  const struct {
    const char* name;
    void (*fail)();
    void (*restore)();
  } cases[] = {
      {"full file system", [] { os::Install(std::make_unique<FullDisk>(4096)); },
       [] { os::Install(nullptr); }},
      {"file-size limit",
       [] {
         ::signal(SIGXFSZ, SIG_IGN);
         const rlimit limit{4096, RLIM_INFINITY};
         ::setrlimit(RLIMIT_FSIZE, &limit);
       },
       [] {
         const rlimit unlimited{RLIM_INFINITY, RLIM_INFINITY};
         ::setrlimit(RLIMIT_FSIZE, &unlimited);
         ::signal(SIGXFSZ, SIG_DFL);
       }},
  };
  for (const auto& c : cases) {
    Initialize(Options(path).c_str());
    for (const char* name : {"disk0", "disk1", "disk2"})
      ComponentInstance()->AddDevice(std::make_unique<RecordingDevice>(name));
    const bool debug = IsDebugEnabled();
    SetDebugEnabled(true);
    testing::internal::CaptureStderr();
    c.fail();
    Uninitialize(Options(path).c_str());
    c.restore();
    const std::string trace = testing::internal::GetCapturedStderr();
    SetDebugEnabled(debug);
    EXPECT_EQ(ReadFile(path), previous) << c.name;
    EXPECT_FALSE(std::filesystem::exists(path + ".new")) << c.name;
    EXPECT_NE(trace.find("not written"), std::string::npos) << c.name << ": " << trace;
  }
}

// Files the component creates under fixed names are never written through a symbolic link someone
// planted there: the victim the link points to keeps its bytes.
TEST_F(PersistentFile, PlantedLinksAreNotFollowed) {
  const std::string victim = dir_.Write("victim", "precious");
  const std::filesystem::path previousDirectory = std::filesystem::current_path();
  std::filesystem::create_directory(dir_.File("run"));
  std::filesystem::current_path(dir_.File("run"));
  std::filesystem::create_symlink(victim, "ddResult.xml");
  std::filesystem::create_symlink(victim, "linked.persist");
  std::filesystem::create_symlink(victim, "temporary.persist.new");

  Initialize("<options component='storage.so'/>");
  OruFree(SetCallback(&HostEvents::Record));
  EXPECT_EQ(XmlObject(Take(ExecuteXMLCommand("<id/>"))).Name(), "idResult");
  Uninitialize(Options("linked.persist").c_str());  // replaced by rename: the link itself goes
  EXPECT_TRUE(std::filesystem::is_regular_file(std::filesystem::symlink_status("linked.persist")));
  Initialize("<options/>");
  Uninitialize(Options("temporary.persist").c_str());  // its temporary file is a link: not saved
  EXPECT_FALSE(std::filesystem::exists("temporary.persist"));
  EXPECT_EQ(ReadFile(victim), "precious");
  std::filesystem::current_path(previousDirectory);
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
