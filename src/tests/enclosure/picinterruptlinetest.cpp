#include "tests/enclosure/picinterruptlinetest.h"

#include "tests/enclosure/controllersignals.h"

namespace rb {

PICInterruptLineTest::PICInterruptLineTest()
    : EnclosureTest("picIntrruptLineCondition", "PIC Interrupt line condition test",
                    "Verifies that PIC interrupt line is working properly") {}

bool PICInterruptLineTest::Execute(const XmlObject&) {
  const PicLine line = ReadPicInterruptLine(Controller());
  Output() << "PIC interrupt line: " << PicLineText(line) << '\n';
  if (line == PicLine::kHigh) return true;
  return Fail("Bad PIC interrupt line condition", PicLineText(line));
}

}  // namespace rb
