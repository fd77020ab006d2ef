#pragma once

#include <memory>
#include <string>

#include "tests/removable/removablemediatest.h"

namespace rb {

// Whether the ATAPI drive runs in Ultra DMA or DMA rather than PIO, from its identify data: the Ultra DMA
// mode selected in word 88 (valid when word 53 bit 2 is set) or the multiword DMA mode selected in word
// 63 (with DMA supported in word 49 bit 8).
class CdIntTest : public RemovableMediaTest {
 public:
  static constexpr const char* kStreamableName = "CdIntTest";

  CdIntTest();

  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<CdIntTest>(); }
  bool Execute(const XmlObject& command) override;
};

}  // namespace rb
