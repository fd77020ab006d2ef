#include "tests/enclosure/phymapcheck.h"

#include "framework/test.h"
#include "support/catalog.h"
#include "support/oruerror.h"
#include "support/stringutil.h"
#include "tests/removable/parametervalues.h"

namespace rb {

bool CheckPhyMap(Test& test, const std::string& actual, const char* parameter, const char* mismatch) {
  const std::string expected = Trim(TextValue(test.Parameters(), parameter, kNoPhyMap));
  test.Output() << "Phy speed map: " << actual << '\n';
  if (EqualsNoCase(expected, actual)) return true;
  test.SetError(OruError(Translate(mismatch),
                         StringPrintf("Expected = %s, Actual = %s", expected.c_str(), actual.c_str())));
  return false;
}

}  // namespace rb
