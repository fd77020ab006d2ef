#include "sysid/pciinventory.h"

#include <cstdlib>
#include <mutex>
#include <stdexcept>

#include "platform/os.h"
#include "support/debug.h"

namespace rb {

namespace {

std::mutex libraryLock;
pcisummaryabi::GetPCISummaryFunction getPciSummary = nullptr;  // guarded by libraryLock

pcisummaryabi::GetPCISummaryFunction SummaryFunction() {
  std::lock_guard lock(libraryLock);
  if (getPciSummary != nullptr) return getPciSummary;
  os::Platform& platform = os::Current();
  win::HMODULE library = platform.LoadLibrary(pcisummaryabi::kLibraryName);
  if (library == nullptr) return nullptr;
  void* function = platform.GetProcAddress(library, pcisummaryabi::kGetPCISummary);
  if (function == nullptr) {
    platform.FreeLibrary(library);
    return nullptr;
  }
  // The library stays loaded for the life of the process.
  getPciSummary = reinterpret_cast<pcisummaryabi::GetPCISummaryFunction>(function);
  return getPciSummary;
}

}  // namespace

std::string FetchPciSummaryText() {
  const pcisummaryabi::GetPCISummaryFunction function = SummaryFunction();
  if (function == nullptr) return kPciSummaryUnavailable;
  char* text = function();
  if (text == nullptr) return kPciSummaryUnavailable;
  std::string copy(text);
  OruFree(text);
  return copy;
}

XmlObject FetchPciSummary() {
  const std::string text = FetchPciSummaryText();
  try {
    return XmlObject(text);
  } catch (const std::runtime_error& error) {
    DebugPrint("PCI summary not readable: %s\n", error.what());
    return XmlObject();
  }
}

unsigned long HexAttribute(const XmlObject& entry, std::string_view name) {
  const XmlAttribute* attribute = entry.FindAttribute(name);
  return attribute != nullptr ? std::strtoul(attribute->value.c_str(), nullptr, 16) : 0;
}

}  // namespace rb
