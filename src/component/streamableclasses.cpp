// The component's streamable classes, registered by name before the first persistent stream is read.
// Every class that the persistent file may name is listed here.
#include "component/storagetestcomponent.h"
#include "framework/interface.h"
#include "framework/parameter.h"
#include "framework/parameterlist.h"
#include "framework/persistent.h"
#include "framework/searchdevice.h"
#include "support/xmlobject.h"

namespace rb {

void RegisterComponentClasses() {
  RegisterStreamableClass<StorageTestComponent>();
  RegisterStreamableClass<SearchDevice>();
  RegisterStreamableClass<Interface>();
  RegisterStreamableClass<ParameterList>();
  RegisterStreamableClass<EnumOption>();
  RegisterStreamableClass<StreamProxy>();
  RegisterStreamableClass<XmlObject>();
  RegisterStreamableClass<XmlAttribute>();
}

}  // namespace rb
