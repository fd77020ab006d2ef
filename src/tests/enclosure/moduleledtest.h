#pragma once

// The fan and power supply module LED tests: the amber LED of one module (or of both) blinks three
// times and the operator says which module's did; a wrong answer fails.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "tests/enclosure/enclosuretest.h"

namespace rb {

class SESDiagApi;

class ModuleLedTest : public EnclosureTest {
 public:
  // Which module blinks: 0 or 1, or kBothModules.
  static constexpr std::size_t kBothModules = 2;

  bool LocksDevice() const override { return true; }
  bool Execute(const XmlObject& command) override;

 protected:
  // `watch` is the first message; `choices` name module 1, module 2 and both.
  ModuleLedTest(std::string name, std::string caption, std::uint8_t elementType, std::string watch,
                std::vector<std::string> choices);
  ModuleLedTest() = default;

  // The module whose LED blinks; chosen at random.
  virtual std::size_t Module();

 private:
  void SetModules(SESDiagApi& api, std::size_t module, bool on) const;

  std::uint8_t elementType_ = 0;
  std::string watch_;
  std::vector<std::string> choices_;
};

}  // namespace rb
