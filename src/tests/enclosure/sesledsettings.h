#pragma once

// The four settings an SES LED test is made with, and what the operator should then see.
//   group    the element group whose LEDs are set: 15 the drive bays' LEDs, 5 the SGPIO-driven bays
//   mask     which LED of each bay: 1 green (activity), 2 blue (the tri-colour LED's third colour),
//            8 the UID LED (blue), 32 amber (fault), 128 green driven over SGPIO
//   first, second   the patterns set one after the other (0: the test leaves the LED on as it is set
//            by the mask alone): 16 blinking, 64 and 256 solid. The operator sees the last one set.
// The UID variant (group 15, mask 8) shows the UID LEDs solid blue.
// The LEDs are set with the slots' control records (element type 01h for group 5, 17h otherwise): the
// colour as the SES request bit that lights it (green RQST ACTIVE, blue RQST IDENT, amber RQST FAULT)
// and, in byte 1, the controller's pattern code (ours: 1 blinking, 2 solid).

#include <cstdint>
#include <string>
#include <vector>

#include "controllers/sesdiagapi.h"

namespace rb {

struct SesLedSettings {
  int group = 15;
  int mask = 1;
  int first = 16;
  int second = 16;

  // From a configured instance's codes; the backplane LED test's settings when they are missing.
  static SesLedSettings FromCodes(const std::vector<int>& codes);
  bool IsUid() const { return group == 15 && mask == 8; }
  std::uint8_t ElementType() const;
  // The control record for a pattern (0: the colour alone, lit solid).
  SesElementRecord Control(int pattern) const;
  // One of the choices the operator is offered.
  std::string ExpectedAnswer() const;
};

// "Solid green" … "Failed", in the order they are offered.
const std::vector<std::string>& SesLedChoices();

}  // namespace rb
