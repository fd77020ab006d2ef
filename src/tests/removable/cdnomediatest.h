#pragma once

#include <memory>
#include <string>

#include "tests/removable/removablemediatest.h"

namespace rb {

// The optical drive must NOT be ready: a drive with a disc in fails with "Check for no media test fails,
// media is installed".
class CdNoMediaTest : public RemovableMediaTest {
 public:
  static constexpr const char* kStreamableName = "CdNoMediaTest";

  CdNoMediaTest();

  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<CdNoMediaTest>(); }
  bool Execute(const XmlObject& command) override;

 protected:
  // Whether a disc is in the drive, as the variant asks it.
  virtual bool MediumPresent();
};

}  // namespace rb
