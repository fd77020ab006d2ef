#pragma once

#include <memory>
#include <string>

#include "tests/removable/removablemediatest.h"

namespace rb {

// TEST UNIT READY of an optical drive: a ready drive passes, another fails with "Unit is not ready".
class CdromTURTest : public RemovableMediaTest {
 public:
  static constexpr const char* kStreamableName = "CdromTURTest";

  CdromTURTest();

  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<CdromTURTest>(); }
  bool Execute(const XmlObject& command) override;

 protected:
  // Whether the drive is ready, as the variant asks it.
  virtual bool Ready();
};

}  // namespace rb
