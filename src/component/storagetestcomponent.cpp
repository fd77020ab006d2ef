#include "component/storagetestcomponent.h"

#include "support/catalog.h"

namespace rb {

void StorageTestComponent::Start() {
  AddCatalog("sdl");
  AddCatalog("ravelbank");
}

}  // namespace rb
