#include "support/storageconfig.h"

#include "support/debug.h"
#include "support/stringutil.h"
#include "support/xmlobject.h"

namespace rb {

namespace {
constexpr const char* kRootName = "storageConfig";
constexpr const char* kDefaultBackPlane = "KSR";
}  // namespace

std::optional<int> ApplySlotOverride(int bus) {
  XmlObject config;
  config.LoadFromFile(kStorageConfigFile, false, false, -1, kConfigurationFileBytes);
  DebugPrint("file loaded\n");
  if (config.Name() != kRootName) return std::nullopt;
  DebugPrint("storageconfig::titleTag found\n");
  const XmlObject* slotOverride = config.SelectSingleNode("slotOverride");
  if (slotOverride == nullptr) return std::nullopt;
  DebugPrint("storageconfig::slotOverride found\n");
  const std::vector<const XmlObject*> controllers = slotOverride->SelectNodes("controller");
  DebugPrint("controller bus =%d\n", bus);
  for (const XmlObject* controller : controllers) {
    const int configured = ToInt(controller->GetAttribute("bus", ""));
    DebugPrint("configfile bus =%d\n", configured);
    if (configured != bus) continue;
    DebugPrint("device bus matched with the configuration file\n");
    return ToInt(controller->GetAttribute("slot", ""));
  }
  return std::nullopt;
}

std::vector<std::string> ReadBackPlaneList(const std::string& fileName) {
  DebugPrint("fileName %s\n", fileName.c_str());
  XmlObject config;
  if (!config.LoadFromFile(fileName, false, false, -1, kConfigurationFileBytes)) return {kDefaultBackPlane};
  DebugPrint("file loaded\n");
  if (config.Name() != kRootName) return {};
  DebugPrint("storageconfig::titleTag found\n");
  const XmlObject* list = config.SelectSingleNode("cissBackPlaneList");
  if (list == nullptr) return {};
  DebugPrint("storageconfig::cissBackPlaneList found\n");
  std::vector<std::string> products;
  for (const XmlObject* product : list->SelectNodes("productID")) products.push_back(product->Text());
  DebugPrint("\n");
  return products;
}

bool IsListedBackPlane(const std::string& id) {
  const std::vector<std::string> list = ReadBackPlaneList(kStorageConfigFile);
  DebugPrint("Searching for, %s\n", id.c_str());
  for (std::size_t i = 0; i < list.size(); ++i) {
    const std::string& entry = list[i];
    DebugPrint("List item %d, %s\n", static_cast<int>(i), entry.c_str());
    if (entry.find(id) != std::string::npos || id.find(entry) != std::string::npos) return true;
  }
  return false;
}

}  // namespace rb
