#include "tests/nvram/writenvramresourcetest.h"

#include "controllers/cissbackplane.h"
#include "controllers/cissdevice.h"
#include "controllers/nvramfile.h"
#include "controllers/nvrampart.h"
#include "support/catalog.h"
#include "support/oruerror.h"
#include "support/stringutil.h"
#include "tests/nvram/nvramchecks.h"

namespace rb {

WriteNvramResourceTest::WriteNvramResourceTest(const TestConfig& config)
    : PartCodeTest(config, Translate("This test writes NVRAM resources to midplane NVRAM"), kMidplanePart) {
  capabilities_.interactive = true;
}

WriteNvramResourceTest::WriteNvramResourceTest()
    : WriteNvramResourceTest(TestConfig{"writeNvramResourceTest", "Write NVRAM resource", {}}) {}

std::string WriteNvramResourceTest::ResourceFile(int code) {
  return StringPrintf(".\\flashpart_%d.txt", code);
}

bool WriteNvramResourceTest::Execute(const XmlObject&) {
  try {
    CissDevice* controller = EnclosureController(Owner());
    if (controller == nullptr)
      throw OruError(Translate("Backplane or Controller not supported"),
                     Owner() != nullptr ? Owner()->Name() : "");
    const std::optional<std::vector<std::uint8_t>> resource = ReadNvramFile(ResourceFile(code_));
    if (!resource || resource->empty())
      throw OruError(Translate("Did not find resource tag"), ResourceFile(code_));
    NvramPart part(*controller, static_cast<std::uint8_t>(code_));
    try {
      Output() << "Previous NVRAM image kept in " << ProgramPart(*this, part, *resource) << "\n";
    } catch (const OruError& error) {
      if (error.Message() != Translate("Writing was unsuccessful")) throw;
      throw OruError(Translate("Product id verification error"), error.Detail());
    }
  } catch (const OruError& error) {
    SetError(error);
    return false;
  }
  return true;
}

}  // namespace rb
