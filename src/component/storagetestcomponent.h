#pragma once

#include "component/testcomponent.h"

namespace rb {

// The storage test component. Its device families (discovery, catalog templates, array controllers for
// the run-begin and run-end notices) join it as they are built; it registers its message catalogs at
// start.
class StorageTestComponent : public TestComponent {
 public:
  StorageTestComponent() = default;

  void Start() override;
};

}  // namespace rb
