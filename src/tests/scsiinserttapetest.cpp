#include "tests/scsiinserttapetest.h"

#include "support/catalog.h"

namespace rb {

ScsiInsertTapeTest::ScsiInsertTapeTest()
    : Test("scsiInsertTapeTest", Translate("Tape Insert Test"), Translate("Tests tape insertion mechanism")) {
}

bool ScsiInsertTapeTest::Execute(const XmlObject&) {
  return true;
}

}  // namespace rb
