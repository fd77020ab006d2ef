// The fibre-channel loopback tests run through the component on a simulated machine, against the built
// adapter library (libqlsdm.so beside the test binary): a pass, each failing verdict, the library or
// an entry point missing, no adapter at all; and the exact calls, through a recording stand-in for the
// library's entry points.
#include "tests/fibreloopbacktest.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "component/answeredcomponent.h"
#include "component/componentinstance.h"
#include "devices/fibre/qlsdmabi.h"
#include "framework/runtestdoubles.h"
#include "framework/testdoubles.h"
#include "framework/testfactory.h"
#include "platform/forwardingplatform.h"
#include "platform/missinglibraryplatform.h"
#include "platform/recordingplatform.h"
#include "support/stringutil.h"
#include "sysid/machinefixture.h"

namespace rb {
namespace {

namespace abi = qlsdmabi;
using rbtest::AnsweringHost;

constexpr const char* kPci = R"(<pci>
    <function bus="14" device="0" function="0" vendorID="0x10DF" deviceID="0xF180"/>
    <function bus="15" device="0" function="0" vendorID="0x10DF" deviceID="0xF180"/>
  </pci>)";

std::string Machine(const std::string& adapters) {
  return "<machine>" + std::string(kPci) + "<fibreChannel>" + adapters + "</fibreChannel></machine>";
}

// The test's result: its state, the error's caption, detail and repair action, and the output.
struct Outcome {
  std::string state;
  std::string error;
  std::string detail;
  std::string remedy;
  std::string output;
};

class FibreLoopBack : public rbtest::MachineFixture {
 protected:
  void TearDown() override {
    if (started_) Uninitialize(nullptr);
    MachineFixture::TearDown();
  }
  // The component on this machine, with an adapter device that offers the three variants; prompts are
  // answered OK and counted.
  void Start(const std::string& machine) {
    if (started_) Uninitialize(nullptr);
    UseMachine(machine);
    Initialize("<options component='storage.so'/>");
    started_ = true;
    OruFree(SetCallback(&AnsweringHost::Callback));
    AnsweringHost::Reset([this](const XmlObject& prompt) {
      prompts_.push_back(Trim(prompt.Text()));
      return "<promptAnswer value='OK'/>";
    });
    auto device = std::make_unique<rbtest::RecordingDevice>("fcctrl0");
    for (const auto& variant : FibreLoopBackTest::kVariants) device->AddTest(MakeTest(variant.name));
    device->AddTest(std::make_unique<FibreLoopBackTest>());  // as the reader makes it
    ComponentInstance()->AddDevice(std::move(device));
  }
  static Outcome Run(const std::string& test) {
    const XmlObject result(
        rbtest::SendCommand("<runTest device='fcctrl0' retries='0' test='" + test + "'/>"));
    Outcome outcome{result.GetAttribute("currentState"), "", "", "", ""};
    if (const XmlObject* error = result.SelectSingleNode("error")) {
      outcome.error = error->GetAttribute("caption");
      outcome.detail = error->Text();
      if (const XmlObject* remedy = error->SelectSingleNode("repairAction")) outcome.remedy = remedy->Text();
    }
    if (const XmlObject* output = result.SelectSingleNode("output")) outcome.output = output->Text();
    return outcome;
  }

  std::vector<std::string> prompts_;

 private:
  bool started_ = false;
};

constexpr const char* kExternal = "ExternalFibreLoopBackTest";
constexpr const char* kInternal1 = "Internal_1Bit_FibreLoopBackTest";
constexpr const char* kInternal10 = "Internal_10Bit_FibreLoopBackTest";
constexpr const char* kPlugPrompt =
    "Fibre External Loop Back Test. Please connect the port to a loopback plug before starting the test";

TEST_F(FibreLoopBack, EveryVariantPassesOnGoodLoopsAndOnlyTheExternalOneAsksForThePlug) {
  Start(Machine("<adapter pciBus='14'/><adapter pciBus='15'/>"));
  for (const char* test : {kInternal10, kInternal1, kExternal}) {
    const Outcome outcome = Run(test);
    EXPECT_EQ(outcome.state, "passed") << test << ": " << outcome.error;
    EXPECT_NE(outcome.output.find("Adapter 1: 10 iterations passed"), std::string::npos) << outcome.output;
  }
  EXPECT_EQ(prompts_, std::vector<std::string>{kPlugPrompt});
}

TEST_F(FibreLoopBack, EachFailingVerdictFailsWithItsTextAndRemedy) {
  constexpr const char* kCheck = "Check the connection, then rerun the test";
  const struct {
    const char* secondAdapter;
    const char* test;
    const char* state;
    const char* error;
    const char* detail;  // names the adapter that failed
    const char* remedy;
  } cases[] = {
      {"loop='failing'", kInternal10, "failed", "Fibre result incorrect",
       "Adapter 1: 4 bytes differ, the first at offset 0", "Replace a new HBA, then rerun the test"},
      {"state='offline'", kInternal1, "failed", "Fibre result loop down result incorrect", "Adapter 1,",
       kCheck},
      {"loop='down'", kExternal, "failed", "Fibre result loop down result incorrect", "Adapter 1,", kCheck},
      {"refuses='0xB1'", kInternal1, "failed", "Fibre test result incorrect parameter", "Adapter 1,", kCheck},
      {"refuses='0xB1'", kInternal10, "passed", "", "", ""},
      {"diagnostics='0'", kExternal, "failed", "Fibre loop back function returned error",
       "Adapter 1: status 0x20000004 (not supported)", ""},
  };
  for (const auto& c : cases) {
    Start(Machine(std::string("<adapter pciBus='14'/><adapter pciBus='15' ") + c.secondAdapter + "/>"));
    const Outcome outcome = Run(c.test);
    SCOPED_TRACE(std::string(c.secondAdapter) + " " + c.test);
    EXPECT_EQ(outcome.state, c.state);
    EXPECT_EQ(outcome.error, c.error);
    EXPECT_EQ(outcome.remedy, c.remedy);
    EXPECT_NE(outcome.detail.find(c.detail), std::string::npos) << outcome.detail;
    // The first adapter was tested before the second failed.
    EXPECT_NE(outcome.output.find("Adapter 0: 10 iterations passed"), std::string::npos) << outcome.output;
  }
}

TEST_F(FibreLoopBack, NoAdapterAndAnUnknownModeFailInsteadOfPassing) {
  Start(Machine(""));
  Outcome outcome = Run(kInternal10);
  EXPECT_EQ(outcome.state, "failed");
  EXPECT_EQ(outcome.error, "No fibre channel adapter could be opened for the loopback test");
  outcome = Run(FibreLoopBackTest::kStreamableName);
  EXPECT_EQ(outcome.state, "failed");
  EXPECT_EQ(outcome.error, "Invalid test options for fibre loopback test");
}

TEST_F(FibreLoopBack, AMissingLibraryOrEntryPointFailsEveryVariantAfterThePrompt) {
  for (const char* missing :
       {abi::kLibraryName, abi::kOpenDevice, abi::kRunDiagLoopback, abi::kCloseDevice}) {
    Start(Machine("<adapter pciBus='14'/>"));
    prompts_.clear();
    rbtest::InstalledPlatform loader(std::make_unique<rbtest::MissingLibraryPlatform>(os::Native(), missing));
    for (const char* test : {kExternal, kInternal1, kInternal10}) {
      const Outcome outcome = Run(test);
      EXPECT_EQ(outcome.state, "failed") << missing << " " << test;
      EXPECT_EQ(outcome.error, "Unable to open dynamic library for fibre channel controllers") << missing;
    }
    EXPECT_EQ(prompts_, std::vector<std::string>{kPlugPrompt}) << missing;
  }
}

// Stand-ins for the library's entry points that record each call and answer a chosen verdict.
struct RecordedCalls {
  static inline std::vector<std::string> calls;
  static inline std::uint16_t verdict = abi::kVerdictPassed;
  static inline std::uint32_t adapters = 1;
  static inline bool patternSent = false;

  static std::uint32_t RAVELBANK_HOST_CALL Open(std::uint32_t index, abi::SdHandle* handle) {
    calls.push_back("open " + std::to_string(index));
    if (index >= adapters) return abi::kStatusNoSuchAdapter;
    *handle = 100 + index;
    return abi::kStatusOk;
  }
  static std::uint32_t RAVELBANK_HOST_CALL Loopback(abi::SdHandle handle, std::uint8_t option,
                                                    std::uint8_t loopType, void* send,
                                                    std::uint32_t sendLength, void*,
                                                    std::uint32_t receiveLength, std::uint16_t iterations,
                                                    abi::SdLoopbackResult* result) {
    calls.push_back(StringPrintf("loopback %u option %u type %02X lengths %u %u iterations %u", handle,
                                 option, loopType, sendLength, receiveLength, iterations));
    const auto* bytes = static_cast<const std::uint8_t*>(send);
    patternSent = true;
    for (std::uint32_t i = 0; i < sendLength; ++i) patternSent = patternSent && bytes[i] == i;
    result->verdict = verdict;
    return abi::kStatusOk;
  }
  static std::uint32_t RAVELBANK_HOST_CALL Close(abi::SdHandle handle) {
    calls.push_back("close " + std::to_string(handle));
    return abi::kStatusOk;
  }
};

class RecordingLibrary : public rbtest::ForwardingPlatform {
 public:
  using ForwardingPlatform::ForwardingPlatform;
  win::HMODULE LoadLibrary(const std::string& name) override {
    return name == abi::kLibraryName ? &RecordedCalls::calls : ForwardingPlatform::LoadLibrary(name);
  }
  void* GetProcAddress(win::HMODULE module, const std::string& name) override {
    if (module != &RecordedCalls::calls) return ForwardingPlatform::GetProcAddress(module, name);
    if (name == abi::kOpenDevice) return reinterpret_cast<void*>(&RecordedCalls::Open);
    if (name == abi::kRunDiagLoopback) return reinterpret_cast<void*>(&RecordedCalls::Loopback);
    if (name == abi::kCloseDevice) return reinterpret_cast<void*>(&RecordedCalls::Close);
    return nullptr;
  }
  bool FreeLibrary(win::HMODULE module) override {
    return module == &RecordedCalls::calls || ForwardingPlatform::FreeLibrary(module);
  }
};

TEST_F(FibreLoopBack, CallsTheLibraryInOrderAndCountsUnknownVerdictsAsPasses) {
  Start(Machine(""));
  rbtest::InstalledPlatform library(std::make_unique<RecordingLibrary>(os::Native()));
  RecordedCalls::adapters = 2;
  RecordedCalls::verdict = 7;
  RecordedCalls::calls.clear();
  EXPECT_EQ(Run(kInternal1).state, "passed");
  EXPECT_EQ(
      RecordedCalls::calls,
      (std::vector<std::string>{
          "open 0", "loopback 100 option 0 type B1 lengths 256 256 iterations 10", "close 100", "open 1",
          "loopback 101 option 0 type B1 lengths 256 256 iterations 10", "close 101", "open 2"}));
  EXPECT_TRUE(RecordedCalls::patternSent);

  // A failing verdict still gives the adapter back, and stops there.
  RecordedCalls::verdict = abi::kVerdictDataMismatch;
  RecordedCalls::calls.clear();
  EXPECT_EQ(Run(kExternal).error, "Fibre result incorrect");
  EXPECT_EQ(RecordedCalls::calls,
            (std::vector<std::string>{"open 0", "loopback 100 option 0 type B2 lengths 256 256 iterations 10",
                                      "close 100"}));
}

}  // namespace
}  // namespace rb
