#pragma once

#include <string>

namespace rb {

// One name/value pair of an element or of the XML declaration. The value is held unescaped.
struct XmlAttribute {
  std::string name;
  std::string value;
};

}  // namespace rb
