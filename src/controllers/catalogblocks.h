#pragma once

// The parts of a controller's catalog entry beyond plain properties: a group holding the properties of
// one part (an enclosure element, an NVRAM part), and the warning that an optional block could not be
// read, named by its key so that the host can tell the blocks apart.

#include <string>

#include "support/catalog.h"
#include "support/oruerror.h"
#include "support/xmlobject.h"

namespace rb {

inline XmlObject PropertyGroup(const std::string& name, const char* caption) {
  XmlObject block;
  block.SetName("propertyGroup");
  block.SetAttribute("name", name);
  block.SetAttribute("caption", Translate(caption));
  return block;
}

inline void AddBlockWarning(XmlObject& element, const char* text, const char* key) {
  XmlObject warning = OruWarning(text, "").ToXml();
  warning.SetAttribute("name", key);
  element.AddChild(std::move(warning));
}

}  // namespace rb
