// The PCI inventory library of the diagnostics suite: vmlhw_dl.so / vmlhw_dl.dll. It exports exactly
// GetPCISummary, which answers the machine's PCI functions as XML (pcisummary.h) in a block of OruAlloc
// that the caller frees with OruFree:
//   - on a simulated machine (the environment variable RAVELBANK_MACHINE names its description, read
//     afresh by every call), the functions the description declares;
//   - on Linux, the functions sysfs lists;
//   - on Windows, the functions SetupAPI's PCI enumerator lists.
// Descriptions come from allboards.xml, pciboards.xml and pcivendors.txt beside the library. No
// exception leaves the entry point: a failure answers an <error> document that names it.

#include <cstring>
#include <exception>
#include <string>
#include <type_traits>
#include <vector>

#include "pcisummary.h"
#include "platform/os.h"
#include "platform/sim/simmachine.h"
#include "platform/sim/simpci.h"
#include "ravelbank/host.h"
#include "support/xmlobject.h"
#include "sysid/pciinventory.h"
#ifdef _WIN32
#include "setupapipci.h"
#else
#include "sysfspci.h"
#endif

extern "C" {
RAVELBANK_HOST_EXPORT char* RAVELBANK_HOST_CALL GetPCISummary(void);
}

static_assert(std::is_same_v<decltype(&GetPCISummary), rb::pcisummaryabi::GetPCISummaryFunction>);

namespace vmlhw {
namespace {

constexpr const char* kMachineVariable = "RAVELBANK_MACHINE";

std::vector<os::PciFunction> MachineFunctions() {
  const auto machine = os::Native().GetEnvironmentVariable(kMachineVariable);
  if (machine && !machine->empty()) return os::SimPciFunctions(os::SimMachine::Load(*machine));
#ifdef _WIN32
  return ReadSetupApiPci();
#else
  return ReadSysfsPci("/sys");
#endif
}

std::string Summary() {
  static PciDescriber describer(os::ModuleDirectory());
  return PciSummaryXml(MachineFunctions(), describer);
}

std::string ErrorDocument(const char* message) {
  rb::XmlObject error;
  error.SetName("error");
  error.SetText(std::string("GetPCISummary: ") + message);
  return error.ToString();
}

}  // namespace
}  // namespace vmlhw

char* RAVELBANK_HOST_CALL GetPCISummary(void) {
  std::string text;
  try {
    text = vmlhw::Summary();
  } catch (const std::exception& error) {
    text = vmlhw::ErrorDocument(error.what());
  } catch (...) {
    text = vmlhw::ErrorDocument("unexpected failure");
  }
  auto* block = static_cast<char*>(OruAlloc(text.size() + 1));
  if (block != nullptr) std::memcpy(block, text.c_str(), text.size() + 1);
  return block;
}
