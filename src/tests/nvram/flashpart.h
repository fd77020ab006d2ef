#pragma once

#include <memory>
#include <string>

#include "framework/test.h"
#include "framework/testfactory.h"

namespace rb {

// Programs an NVRAM part ("partCode") with the image in a flash file ("fileName", the text format of
// controllers/nvramlayout.h; a shorter image keeps the part's remaining bytes), after the operator
// confirms. An image with a bad checksum is refused before anything is written; the part's earlier
// image is kept in a file of its own, and what the part holds afterwards is dumped to ./nvramdump.txt.
class FlashPart : public Test {
 public:
  static constexpr const char* kStreamableName = "FlashPart";
  static constexpr const char* kDumpFile = ".\\nvramdump.txt";

  FlashPart();

  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<FlashPart>(); }
  bool LocksDevice() const override { return true; }
  bool Execute(const XmlObject& command) override;
};

}  // namespace rb
