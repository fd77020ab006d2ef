#include "component/diskdiagnosisflags.h"

#include <iterator>

#include "support/stringutil.h"

namespace rb {
namespace {

// In the order of DiskFlag.
constexpr const char* kFlagNames[] = {
    "diagnosisComplete",  "smartLogsAvailable",
    "smartLogsPass",      "dstLogsAvailable",
    "dstLogsPass",        "mpLogsAvailable",
    "mpLogsPass",         "mpAbortedCommandFailuresPass",
    "errorLogsAvailable", "errorLogsPass",
    "errorLog04Pass",     "errorLog0BPass",
    "errorLogCAMPass",    "physicalConfigurationAvailable",
    "smartTripped",       "amberLightOn",
};
static_assert(std::size(kFlagNames) == 16);

constexpr const char* kSeparator = "  ";

}  // namespace

std::string DiskDiagnosisFlags::Describe(std::uint8_t lastFailureReason, std::uint32_t timeStamp) const {
  std::string text;
  for (unsigned bit = 0; bit < std::size(kFlagNames); ++bit)
    text += StringPrintf("%s: %d,", kFlagNames[bit], Test(static_cast<DiskFlag>(bit)) ? 1 : 0) + kSeparator;
  text += StringPrintf("lastFailureReason: 0x%02X,", lastFailureReason) + kSeparator;
  text += StringPrintf("timeStamp: %lu", static_cast<unsigned long>(timeStamp));
  return text;
}

}  // namespace rb
