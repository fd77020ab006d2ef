#include "tests/enclosure/sesaccess.h"

#include <vector>

#include "controllers/seslayouts.h"
#include "support/catalog.h"
#include "support/oruerror.h"
#include "support/stringutil.h"
#include "tests/enclosure/enclosuretest.h"

namespace rb {

std::unique_ptr<SESDiagApi> OpenEnclosures(CissDevice& controller) {
  auto api = std::make_unique<SESDiagApi>(controller);
  if (api->FindEnclosures() <= 0) throw OruError(Translate(kNotSupported), Translate("No enclosure found"));
  return api;
}

std::size_t ElementCount(SESDiagApi& api, std::size_t index, std::uint8_t type) {
  std::vector<SesElementRecord> records;
  if (!api.ReadElements(index, type, records))
    throw OruError(Translate(kNotSupported), StringPrintf("Enclosure %d elements of type %02Xh", static_cast<int>(index), type));
  return records.size();
}

void SetAllElements(SESDiagApi& api, std::uint8_t type, SesElementRecord control) {
  control[0] |= seslayout::kControlSelect;
  for (std::size_t index = 0; index < api.EnclosureCount(); ++index) {
    const std::size_t count = ElementCount(api, index, type);
    for (std::size_t number = 0; number < count; ++number)
      if (!api.SetElement(index, type, static_cast<std::uint8_t>(number), control))
        throw OruError(Translate("Failed to set enclosure element"),
                       StringPrintf("Enclosure %d element %d of type %02Xh", static_cast<int>(index),
                                    static_cast<int>(number), type));
  }
}

}  // namespace rb
