#include "tests/fibreloopbacktest.h"

#include <numeric>

#include "devices/fibre/qlsdmlibrary.h"
#include "framework/ptstream.h"
#include "support/catalog.h"
#include "support/oruerror.h"
#include "support/stringutil.h"

namespace rb {

namespace {

namespace abi = qlsdmabi;

constexpr std::uint32_t kPatternLength = 256;
constexpr const char* kDescription = "Requests the firmware to perform diagnostic loop back test";

const FibreLoopBackTest::Variant* VariantOf(std::uint8_t mode) {
  for (const FibreLoopBackTest::Variant& variant : FibreLoopBackTest::kVariants)
    if (variant.mode == mode) return &variant;
  return nullptr;
}

[[noreturn]] void Fail(const char* message, std::string detail, const char* remedy = nullptr) {
  OruError error(Translate(message), std::move(detail));
  if (remedy != nullptr) error.SetRepairAction(Translate(remedy));
  throw error;
}

// Closes an open adapter however the loopback ends.
class OpenAdapter {
 public:
  OpenAdapter(const QlsdmLibrary& library, abi::SdHandle handle) : library_(library), handle_(handle) {}
  OpenAdapter(const OpenAdapter&) = delete;
  OpenAdapter& operator=(const OpenAdapter&) = delete;
  ~OpenAdapter() { library_.Close(handle_); }

 private:
  const QlsdmLibrary& library_;
  abi::SdHandle handle_;
};

}  // namespace

FibreLoopBackTest::FibreLoopBackTest() : FibreLoopBackTest(kNoMode) {}

FibreLoopBackTest::FibreLoopBackTest(std::uint8_t mode)
    : Test(VariantOf(mode) != nullptr ? VariantOf(mode)->name : kStreamableName,
           Translate(VariantOf(mode) != nullptr ? VariantOf(mode)->caption : kStreamableName),
           Translate(kDescription)),
      mode_(mode) {
  // Only the external loop needs the operator: the plug goes on the port.
  capabilities_.interactive = mode == 2;
  capabilities_.requiresEquipment = mode == 2;
}

void FibreLoopBackTest::Stream(ptstream& stream, bool writing, std::int32_t version) {
  Test::Stream(stream, writing, version);
  stream.Transfer(mode_);
  // The texts and capabilities are the variant's; only its mode is kept.
  if (!writing && VariantOf(mode_) != nullptr) Assign(FibreLoopBackTest(mode_));
}

void FibreLoopBackTest::Assign(const Persistent& other) {
  Test::Assign(other);
  const auto* test = dynamic_cast<const FibreLoopBackTest*>(&other);
  if (test == nullptr) return;
  mode_ = test->mode_;
  iterations_ = test->iterations_;
  option_ = test->option_;
}

bool FibreLoopBackTest::Execute(const XmlObject&) {
  try {
    RunLoopbacks();
    return true;
  } catch (const OruError& error) {
    // A failed verdict is the test's result, not a fault of the command.
    SetError(error);
    return false;
  }
}

void FibreLoopBackTest::RunLoopbacks() {
  static constexpr std::uint8_t kLoopTypes[] = {abi::kLoopInternal10Bit, abi::kLoopInternal1Bit,
                                                abi::kLoopExternal};
  if (mode_ > 2) Fail("Invalid test options for fibre loopback test", StringPrintf("Mode %u", mode_));
  const std::uint8_t loopType = kLoopTypes[mode_];
  if (mode_ == 2)
    Prompt(
        Translate("Fibre External Loop Back Test. Please connect the port to a loopback plug before starting "
                  "the test"),
        {"OK"}, "button", "500", "200");

  const QlsdmLibrary library;
  if (!library.Loaded())
    Fail("Unable to open dynamic library for fibre channel controllers",
         StringPrintf("%s: %s", abi::kLibraryName,
                      Translate("the library or one of its entry points was not found").c_str()));
  std::uint8_t send[kPatternLength];
  std::uint8_t receive[kPatternLength];
  std::iota(std::begin(send), std::end(send), 0);

  std::uint32_t index = 0;
  for (;; ++index) {
    // The run ends canceled; the adapters already looped stay in the output.
    if (CancelRequested()) return;
    abi::SdHandle handle = 0;
    if (library.Open(index, &handle) != abi::kStatusOk) break;
    const OpenAdapter open(library, handle);
    SetOperationCaption(StringPrintf("%s %u", Translate("Loopback on adapter").c_str(), index));
    abi::SdLoopbackResult result{};
    const std::uint32_t status = library.RunLoopback(handle, option_, loopType, send, kPatternLength, receive,
                                                     kPatternLength, iterations_, &result);
    const std::string adapter = StringPrintf("%s %u", Translate("Adapter").c_str(), index);
    if (status != abi::kStatusOk)
      Fail("Fibre loop back function returned error",
           StringPrintf("%s: %s 0x%08X (%s)", adapter.c_str(), Translate("status").c_str(), status,
                        Translate(QlsdmLibrary::StatusText(status)).c_str()));
    switch (result.verdict) {
      case abi::kVerdictInvalidParameter:
        Fail("Fibre test result incorrect parameter", adapter, "Check the connection, then rerun the test");
      case abi::kVerdictLoopDown:
        Fail("Fibre result loop down result incorrect", adapter, "Check the connection, then rerun the test");
      case abi::kVerdictDataMismatch:
        Fail("Fibre result incorrect",
             StringPrintf("%s: %u %s %u", adapter.c_str(), result.mismatchedBytes,
                          Translate("bytes differ, the first at offset").c_str(), result.firstMismatch),
             "Replace a new HBA, then rerun the test");
      default:
        break;
    }
    Output() << adapter << ": " << result.iterationsCompleted << ' ' << Translate("iterations passed")
             << '\n';
  }
  // Passing here would claim a test of hardware that was never reached.
  if (index == 0)
    Fail("No fibre channel adapter could be opened for the loopback test",
         StringPrintf("%s: %s", abi::kLibraryName, Translate("adapter 0 could not be opened").c_str()));
}

}  // namespace rb
