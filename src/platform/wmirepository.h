#pragma once

#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/wmirow.h"

namespace os {

// The management instrumentation of a machine that has no such service (the simulated machine, Linux):
// instances of classes, with their superclasses and their associations, and the WQL the component
// sends to them. The backends fill one from what they know of the machine and answer WmiQuery from it.
//
// Queries understood (keywords and names without regard to case, as WMI takes them):
//   SELECT * FROM Class [WHERE Condition [AND Condition ...]]
//     Condition: Property = 12 | Property = "text" | Property LIKE "pattern" (% any run, _ one character)
//   ASSOCIATORS OF {Class.DeviceID="id"} WHERE ResultClass = Class
// A class matches its own instances and those of its subclasses (CIM_MediaAccessDevice matches a
// Win32_DiskDrive). Any other text is rejected as Windows rejects an invalid query.
class WmiRepository {
 public:
  // Adds an instance of `className`, whose superclasses are listed nearest first. Its "DeviceID"
  // property names it in associations; its "CreationClassName" is the class unless the row gives one.
  void Add(const std::string& className, WmiRow row, std::vector<std::string> superclasses = {});
  // Associates two instances, both ways.
  void Associate(const std::string& classA, const std::string& deviceIdA, const std::string& classB,
                 const std::string& deviceIdB);
  // Runs a query; false for a query of another form. `rows` is replaced.
  bool Query(const std::string& query, std::vector<WmiRow>* rows) const;

 private:
  struct Instance {
    std::string className;
    std::vector<std::string> superclasses;
    WmiRow row;
  };
  struct Link {
    std::size_t a;
    std::size_t b;
  };
  // An instance's class and DeviceID with A to Z folded, the key that associations name it by.
  static std::string Key(const std::string& className, const std::string& deviceId);

  std::vector<Instance> instances_;
  std::vector<Link> links_;
  // The first instance of each key, so that associating stays linear in the machine's size.
  std::unordered_map<std::string, std::size_t> byKey_;
};

}  // namespace os
