#include "controllers/raidarray.h"

#include <algorithm>

#include "controllers/bmicdevice.h"
#include "controllers/raiddisk.h"
#include "framework/ptstream.h"
#include "support/catalog.h"
#include "support/stringutil.h"
#include "support/xmlobject.h"

namespace rb {

RaidArray::RaidArray(BmicDevice& controller, std::uint32_t number)
    : controller_(&controller), number_(number) {}

RaidArray::RaidArray() = default;

void RaidArray::Stream(ptstream& stream, bool, std::int32_t) {
  stream.TransferLink(controller_);
  stream.Transfer(number_);
  stream.TransferLinkList(members_);
}

void RaidArray::Assign(const Persistent& other) {
  const auto* array = dynamic_cast<const RaidArray*>(&other);
  if (array == nullptr) return;
  controller_ = array->controller_;
  number_ = array->number_;
  members_ = array->members_;
}

std::string RaidArray::Name() const {
  return (controller_ != nullptr ? controller_->Name() : std::string()) + StringPrintf("-ARRAY%u", number_);
}

void RaidArray::AddMember(RaidDisk& disk) {
  if (std::find(members_.begin(), members_.end(), &disk) == members_.end()) members_.push_back(&disk);
}

XmlObject RaidArray::Describe() const {
  XmlObject element;
  element.SetName("array");
  element.SetAttribute("name", Name());
  element.SetAttribute("caption", Translate("RAID Array"));
  element.SetAttribute("description",
                       Translate("RAID storage array composed of one or more physical disk drives"));
  for (const RaidDisk* disk : members_) {
    XmlObject member;
    member.SetName("interface");
    member.SetAttribute("name", disk->Name());
    member.SetAttribute("caption", Translate("Physical Drive"));
    member.SetAttribute("description", disk->AddressName());
    member.SetAttribute("role", "child");
    element.AddChild(std::move(member));
  }
  return element;
}

}  // namespace rb
