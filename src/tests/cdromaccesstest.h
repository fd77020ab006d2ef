#pragma once

#include "tests/accesstest.h"

namespace rb {

// The access test of an ATAPI optical drive: the operator chooses mode and order; the run may first
// check that the disc is of the chosen kind ("Verify Type of Media", "Type Of Media": CD or DVD, from
// the drive's current profile) and may hand the disc back at the end ("RemoveMedia": the tray opens and
// the operator takes it). Its outcome is also written to "result.xml" for the operator's records.
class CdromAccessTest : public AccessTest {
 public:
  static constexpr const char* kStreamableName = "CdromAccessTest";
  static constexpr const char* kResultFile = ".\\result.xml";

  CdromAccessTest();

  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<CdromAccessTest>(); }
  void Setup() override;
  bool Execute(const XmlObject& command) override;

 private:
  std::string DrivePath() const;
  // Fails the run unless the disc is of the kind the operator chose.
  void VerifyTypeOfMedia(const std::string& path);
  void WriteResultFile(bool passed, const std::string& text);
};

}  // namespace rb
