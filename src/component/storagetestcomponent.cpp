#include "component/storagetestcomponent.h"

#include "component/catalogtemplates.h"
#include "component/discoveryrun.h"
#include "controllers/cissdevice.h"
#include "framework/persistent.h"
#include "framework/ptstream.h"
#include "support/catalog.h"
#include "support/debug.h"
#include "support/oruerror.h"
#include "support/runenvironment.h"
#include "sysid/pciinventory.h"

namespace rb {

StorageTestComponent::StorageTestComponent() : hostTable_(kHostTableBytes, 0) {}

std::unique_ptr<StorageTestComponent> StorageTestComponent::CreateNew() {
  auto component = std::make_unique<StorageTestComponent>();
  component->pciSummary_ = FetchPciSummary();
  return component;
}

void StorageTestComponent::Start() {
  AddCatalog("sdl");
  AddCatalog("ravelbank");
}

std::string StorageTestComponent::IdentifyDevices() {
  // Discovery destroys every device; the links to them go first.
  arrayControllers_.clear();
  fibreAdapters_.clear();
  return DiscoveryRun(*this).Run().ToString();
}

std::string StorageTestComponent::BuildCatalog() {
  return BuildCatalogDocument(CatalogTemplates()).ToString();
}

void StorageTestComponent::DiagRunBegin(const XmlObject&) {
  NotifyArrayControllers(false);
}

void StorageTestComponent::DiagRunEnd(const XmlObject&) {
  NotifyArrayControllers(true);
}

void StorageTestComponent::NotifyArrayControllers(bool runEnds) {
  if (IsFactory()) return;
  for (std::size_t i = 0; i < arrayControllers_.size(); ++i) {
    auto* controller = dynamic_cast<CissDevice*>(arrayControllers_[i]);
    if (controller == nullptr) continue;
    DebugPrint(runEnds ? "enabling on ciss device #%d\n" : "disabling on ciss device #%d\n",
               static_cast<int>(i));
    try {
      controller->SetBackgroundTasks(runEnds);
    } catch (const OruError& error) {
      // A controller that does not take the notice keeps running as it was; the run goes on.
      DebugPrint("%s: %s %s\n", controller->Name().c_str(), error.Message().c_str(), error.Detail().c_str());
    }
  }
}

void StorageTestComponent::Stream(ptstream& stream, bool writing, std::int32_t version) {
  TestComponent::Stream(stream, writing, version);
  stream.TransferHeld(pciSummary_);
  stream.TransferLinkList(arrayControllers_);
  stream.TransferProxyList(fibreAdapters_);
  stream.TransferBytes(hostTable_.data(), hostTable_.size());
  stream.Transfer(hostFlag_);
  const std::size_t addresses = stream.TransferCount(scsiPortAddresses_.size(), 8);
  if (!writing) scsiPortAddresses_.assign(addresses, 0);
  for (std::uint64_t& address : scsiPortAddresses_) stream.Transfer(address);
  const std::size_t values = stream.TransferCount(scsiPortValues_.size(), 4);
  if (!writing) scsiPortValues_.assign(values, 0);
  for (std::uint32_t& value : scsiPortValues_) stream.Transfer(value);
}

void StorageTestComponent::Assign(const Persistent& other) {
  const auto& from = dynamic_cast<const StorageTestComponent&>(other);
  if (&from == this) return;
  TestComponent::Assign(other);
  pciSummary_ = from.pciSummary_;
  // The links follow the devices by name into this component's own set.
  arrayControllers_.clear();
  for (const Device* controller : from.arrayControllers_)
    if (Device* own = FindDevice(controller->Name())) arrayControllers_.push_back(own);
  fibreAdapters_.clear();
  for (const PersistentByProxy* adapter : from.fibreAdapters_) {
    const auto* device = dynamic_cast<const Device*>(adapter->ProxyOwner());
    auto* own = device != nullptr ? dynamic_cast<PersistentByProxy*>(FindDevice(device->Name())) : nullptr;
    if (own != nullptr) fibreAdapters_.push_back(own);
  }
  hostTable_ = from.hostTable_;
  hostFlag_ = from.hostFlag_;
  scsiPortAddresses_ = from.scsiPortAddresses_;
  scsiPortValues_ = from.scsiPortValues_;
}

}  // namespace rb
