#include "sysid/boarddatabase.h"

#include <stdexcept>
#include <unordered_map>
#include <utility>

#include "support/debug.h"
#include "support/stringutil.h"
#include "support/xmlobject.h"

namespace rb {

struct BoardDatabase::Contents {
  XmlObject document;
  bool accepted = false;
  // Upper-cased id -> the text of the first name element under a dev of that id, in document order.
  std::unordered_map<std::string, std::string> names;
  // Upper-cased id -> the text of the first PhyType element under a dev of that id.
  std::unordered_map<std::string, std::string> phyTypes;
  // Exact id -> the first dev of that id under the first PCI element (accepted documents only).
  std::unordered_map<std::string, const XmlObject*> devices;
};

namespace {

std::string UpperAscii(std::string_view text) {
  std::string upper(text);
  for (char& c : upper)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - ('a' - 'A'));
  return upper;
}

std::string IdOf(const XmlObject& dev) {
  const XmlAttribute* id = dev.FindAttribute("id");
  return id != nullptr ? id->value : std::string();
}

std::uint8_t SupportByte(const XmlObject& dev, std::string_view child) {
  const XmlObject* element = dev.SelectSingleNode(child);
  return element != nullptr ? static_cast<std::uint8_t>(ToInt(element->Text())) : 0;
}

}  // namespace

BoardDatabase::BoardDatabase(std::vector<std::string> candidates) : candidates_(std::move(candidates)) {}

BoardDatabase::~BoardDatabase() = default;

std::shared_ptr<const BoardDatabase::Contents> BoardDatabase::Load() {
  {
    std::lock_guard lock(publishLock_);
    if (contents_) return contents_;
  }
  // A wait that times out loads all the same; the first load to finish is the one kept.
  MutexLock lock(loadMutex_);
  {
    std::lock_guard publish(publishLock_);
    if (contents_) return contents_;
  }
  auto loaded = std::make_shared<Contents>();
  for (const std::string& path : candidates_) {
    XmlObject document;
    try {
      if (!document.LoadFromFile(path, false, false, -1)) continue;
    } catch (const std::runtime_error& error) {
      DebugPrint("board database %s not readable: %s\n", path.c_str(), error.what());
      continue;
    }
    loaded->document = std::move(document);
    loaded->accepted = EqualsNoCase(loaded->document.Name(), kRootName);
    if (loaded->accepted) break;
  }

  for (const XmlObject* pci : loaded->document.GetChildren("PCI")) {
    for (const XmlObject* dev : pci->GetChildren("dev")) {
      const XmlObject* name = dev->SelectSingleNode("name");
      if (name != nullptr) loaded->names.try_emplace(UpperAscii(IdOf(*dev)), name->Text());
      const XmlObject* phyType = dev->SelectSingleNode("PhyType");
      if (phyType != nullptr) loaded->phyTypes.try_emplace(UpperAscii(IdOf(*dev)), phyType->Text());
    }
  }
  if (loaded->accepted) {
    if (const XmlObject* pci = loaded->document.SelectSingleNode("PCI")) {
      for (const XmlObject* dev : pci->GetChildren("dev")) loaded->devices.try_emplace(IdOf(*dev), dev);
    }
  }

  std::lock_guard publish(publishLock_);
  if (!contents_) contents_ = std::move(loaded);
  return contents_;
}

bool BoardDatabase::Accepted() {
  return Load()->accepted;
}

std::optional<std::string> BoardDatabase::Name(std::string_view key) {
  const std::shared_ptr<const Contents> contents = Load();
  const auto found = contents->names.find(UpperAscii(key));
  if (found == contents->names.end()) return std::nullopt;
  return found->second;
}

std::optional<std::string> BoardDatabase::LookupName(std::uint16_t vendor, std::uint16_t device,
                                                     std::uint16_t subVendor, std::uint16_t subsystem) {
  std::optional<std::string> name = Name(BoardKey(vendor, device, subVendor, subsystem));
  if (!name || name->empty()) name = Name(BoardKey(vendor, device));
  if (!name || name->empty()) return std::nullopt;
  return name;
}

std::optional<std::string> BoardDatabase::LookupPhyType(std::uint16_t vendor, std::uint16_t device,
                                                        std::uint16_t subVendor, std::uint16_t subsystem) {
  const std::shared_ptr<const Contents> contents = Load();
  for (const std::string& key : {BoardKey(vendor, device, subVendor, subsystem), BoardKey(vendor, device)}) {
    const auto found = contents->phyTypes.find(key);
    if (found != contents->phyTypes.end() && !Trim(found->second).empty()) return Trim(found->second);
  }
  return std::nullopt;
}

std::optional<BoardCapabilities> BoardDatabase::Capabilities(std::string_view key) {
  const std::shared_ptr<const Contents> contents = Load();
  if (!contents->accepted) return std::nullopt;
  const auto found = contents->devices.find(std::string(key));
  if (found == contents->devices.end()) return std::nullopt;
  const XmlObject& dev = *found->second;
  return BoardCapabilities{SupportByte(dev, "HardwareErrorsSupport"), SupportByte(dev, "FormatErrorsSupport"),
                           SupportByte(dev, "PredictiveFailureErrorsSupport")};
}

void BoardDatabase::Reset() {
  MutexLock lock(loadMutex_);
  std::lock_guard publish(publishLock_);
  contents_.reset();
}

std::string BoardKey(std::uint16_t vendor, std::uint16_t device, std::uint16_t subVendor,
                     std::uint16_t subsystem) {
  return StringPrintf("%04X%04X%04X%04X", vendor, device, subVendor, subsystem);
}

std::string BoardKey(std::uint16_t vendor, std::uint16_t device) {
  return StringPrintf("%04X%04X", vendor, device);
}

}  // namespace rb
