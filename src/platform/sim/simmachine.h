#pragma once

// A simulated machine: the parsed description file that the sim backend answers from.

#include <string>

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

 private:
  SimMachine(std::string path, rb::XmlObject description);

  std::string path_;
  rb::XmlObject description_;
};

}  // namespace os
