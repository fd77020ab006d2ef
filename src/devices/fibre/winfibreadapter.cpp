#include "devices/fibre/winfibreadapter.h"

#include <cstring>

#include "devices/fibre/qlsdmlibrary.h"
#include "support/stringutil.h"

namespace rb {

namespace {

namespace abi = qlsdmabi;

// Adapters the library is asked about before the search gives up.
constexpr std::uint32_t kMaxAdapters = 64;

// A text field of the library's report as it may be shown: up to its terminator or its end, other
// than printable characters blanked, trimmed.
template <std::size_t N>
std::string Text(const char (&field)[N]) {
  std::string text(field, strnlen(field, N));
  for (char& c : text)
    if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7F) c = ' ';
  return Trim(text);
}

}  // namespace

WinFibreAdapter::WinFibreAdapter(std::string name, bool makeUnique)
    : FibreAdapter(std::move(name), makeUnique) {}

WinFibreAdapter::WinFibreAdapter() = default;

std::unique_ptr<WinFibreAdapter> WinFibreAdapter::FromPciEntry(std::string name, const XmlObject& entry,
                                                               const PortAddressCache& ports) {
  auto adapter = std::make_unique<WinFibreAdapter>(std::move(name), false);
  if (!adapter->SetPciEntry(entry, ports)) return nullptr;
  return adapter;
}

void WinFibreAdapter::ScanTargets(XmlObject&, DiscoveryContext&) {}

FibreAdapter::Information WinFibreAdapter::ReadInformation() const {
  Information information;
  const QlsdmLibrary library;
  if (!library.Loaded() || !library.HasHbaInformation()) return information;
  for (std::uint32_t index = 0; index < kMaxAdapters; ++index) {
    abi::SdHandle handle = 0;
    if (library.Open(index, &handle) != abi::kStatusOk) break;
    abi::SdHbaInformation block{};
    const bool read = library.GetHbaInformation(handle, &block) == abi::kStatusOk;
    library.Close(handle);
    if (!read || block.pciBus != PciBus() || block.pciDevice != PciDevice() ||
        block.pciFunction != PciFunction())
      continue;
    information.valid = true;
    information.boardId = block.boardId;
    information.serialNumber = Text(block.serialNumber);
    information.status = block.status;
    information.driverName = Text(block.driverName);
    information.driverDescription = Text(block.driverDescription);
    std::memcpy(information.driverVersion, block.driverVersion, sizeof information.driverVersion);
    break;
  }
  return information;
}

}  // namespace rb
