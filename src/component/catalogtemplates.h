#pragma once

#include <memory>
#include <string>
#include <vector>

#include "support/xmlobject.h"

namespace rb {

class Device;

// A kind of device the catalog describes: a template device, made under a fixed name and described
// without touching hardware, so that the host can show every test and parameter of the kind even on a
// machine without such a device.
struct CatalogTemplate {
  enum class Caption {
    kGiven,             // the translated catalog caption below
    kOwn,               // the device's own caption
    kOwnTranslated,     // the device's own caption, translated
  };
  const char* name;
  const char* caption;
  Caption captionRule;
  // Makes the template device; null while the family of the kind is not part of the component.
  std::unique_ptr<Device> (*make)(const std::string& name);
};

// The component's templates in catalog order.
const std::vector<CatalogTemplate>& CatalogTemplates();

// <catResult> with the catalog element of each template that has a maker, in order. The template
// devices are destroyed afterwards.
XmlObject BuildCatalogDocument(const std::vector<CatalogTemplate>& templates);

}  // namespace rb
