#pragma once

// A simulated machine: the parsed description file that the sim backend answers from.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "support/xmlobject.h"

namespace os {

class SimMachine {
 public:
  // Reads and parses the description with the native backend. Raises MachineError, naming the file,
  // when it cannot be read, is empty, is not well-formed XML or its root element is not <machine>.
  static SimMachine Load(const std::string& path);

  const std::string& Path() const { return path_; }
  // The <machine> root element.
  const rb::XmlObject& Description() const { return description_; }

  // Raises MachineError naming the file and the problem.
  [[noreturn]] void Reject(const std::string& problem) const;
  // An attribute of an element of the description as an unsigned number, decimal or hexadecimal with
  // the prefix 0x; raises MachineError when it is missing, malformed or above `max`.
  std::uint64_t Number(const rb::XmlObject& element, std::string_view attribute, std::uint64_t max) const;
  // Bytes written as pairs of hexadecimal digits (white space ignored); `what` names them in the
  // rejection of an odd count or a non-hexadecimal digit.
  std::vector<std::uint8_t> HexBytes(const std::string& what, const std::string& hex) const;

 private:
  SimMachine(std::string path, rb::XmlObject description);

  std::string path_;
  rb::XmlObject description_;
};

}  // namespace os
