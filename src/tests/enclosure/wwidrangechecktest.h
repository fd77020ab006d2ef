#pragma once

#include <memory>

#include "tests/enclosure/enclosuretest.h"

namespace rb {

// The controller's WWID must be one of those the line has assigned, listed in "./wwidrange.xml":
//   <wwidrange>
//     <wwidlist>
//       <wwid>500143801234ABCD</wwid>                        one WWID, 16 hex digits
//       <wwid first="5001438012340000" last="500143801234FFFF"/>  or an inclusive range
//     </wwidlist>
//   </wwidrange>
// A file that is missing fails with "File not found", one that does not parse with "WWID file format
// error", one without a "wwidlist" element with "WWID wwidlist not found", and a child of the list that
// is not a well-formed "wwid" entry with "WWID wwidlist TAG error". A WWID in no entry fails with
// "Data Mismatch".
class wwidRangeCheckTest : public EnclosureTest {
 public:
  static constexpr const char* kStreamableName = "wwidRangeCheckTest";
  static constexpr const char* kFile = "./wwidrange.xml";

  explicit wwidRangeCheckTest(const TestConfig& config);
  wwidRangeCheckTest();

  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<wwidRangeCheckTest>(); }
  bool Execute(const XmlObject& command) override;
};

}  // namespace rb
