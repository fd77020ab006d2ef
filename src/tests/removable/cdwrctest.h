#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "tests/removable/removablemediatest.h"

namespace rb {

// Write-read-compare on a recordable disc: after the operator agrees to writing, the write parameters
// page is read and set to track-at-once data mode 1, a pattern is written at the next writable
// address, the drive's cache is flushed and the blocks are read back and compared. A disc that is
// full, not recordable or fails the write asks whether to retry with another; a write-protected or
// missing one fails with "Incorrect or missing media".
class CdWRCTest : public RemovableMediaTest {
 public:
  static constexpr const char* kStreamableName = "CdWRCTest";
  static constexpr std::uint16_t kBlocks = 16;
  static constexpr std::uint32_t kBlockBytes = 2048;
  static constexpr int kMostDiscs = 3;

  CdWRCTest();

  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<CdWRCTest>(); }
  bool LocksDevice() const override { return true; }
  bool Execute(const XmlObject& command) override;

 private:
  enum class Outcome { kPassed, kFailed, kReplaceDisc };
  // One try on the disc in the drive.
  Outcome TryDisc(const std::string& path);
  // Sets the failure; a step that a full or bad disc fails asks for another disc instead.
  Outcome Failed(const char* text, bool discMayBeAtFault);
  bool failedForDisc_ = false;
  std::string discFailure_;
};

}  // namespace rb
