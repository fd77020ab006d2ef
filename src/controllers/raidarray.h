#pragma once

// An array of an array controller: the grouping node of the physical disks its logical volumes are
// carved from. Not a device of its own: it is written into its controller's catalog element.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/persistent.h"

namespace rb {

class BmicDevice;
class RaidDisk;
class XmlObject;

class RaidArray : public Persistent {
 public:
  static constexpr const char* kStreamableName = "RaidArray";

  RaidArray(BmicDevice& controller, std::uint32_t number);
  // The state a reader starts from.
  RaidArray();

  void Stream(ptstream& stream, bool writing, std::int32_t version) override;
  void Assign(const Persistent& other) override;
  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<RaidArray>(); }

  // The controller's name and "-ARRAY%u".
  std::string Name() const;
  std::uint32_t Number() const { return number_; }
  const std::vector<RaidDisk*>& Members() const { return members_; }
  // Adds a disk once.
  void AddMember(RaidDisk& disk);

  // <array name= caption="RAID Array" description=> with an interface element (role child) per member.
  XmlObject Describe() const;

 private:
  BmicDevice* controller_ = nullptr;
  std::uint32_t number_ = 0;
  std::vector<RaidDisk*> members_;
};

}  // namespace rb
