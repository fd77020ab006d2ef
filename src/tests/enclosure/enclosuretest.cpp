#include "tests/enclosure/enclosuretest.h"

#include "controllers/cissbackplane.h"
#include "controllers/cissdevice.h"
#include "framework/ptstream.h"
#include "support/catalog.h"
#include "support/oruerror.h"

namespace rb {

EnclosureTest::EnclosureTest(std::string name, std::string caption, std::string description,
                             std::vector<int> codes)
    : Test(std::move(name), std::move(caption), std::move(description)), codes_(std::move(codes)) {}

void EnclosureTest::Stream(ptstream& stream, bool writing, std::int32_t version) {
  Test::Stream(stream, writing, version);
  const TestConfig config = TransferTestConfig(stream, *this, codes_);
  if (writing) return;
  codes_ = config.codes;
  // The instance's texts and parameters are those its configuration makes.
  if (const std::unique_ptr<Test> made = MakeConfiguredTest(StreamableName(), config)) Assign(*made);
}

void EnclosureTest::Assign(const Persistent& other) {
  Test::Assign(other);
  if (const auto* from = dynamic_cast<const EnclosureTest*>(&other)) codes_ = from->codes_;
}

CissDevice* EnclosureTest::FindController() const {
  return EnclosureController(Owner());
}

CissDevice& EnclosureTest::Controller() const {
  CissDevice* controller = FindController();
  if (controller == nullptr) throw OruError(Translate(kNotSupported), Name());
  return *controller;
}

bool EnclosureTest::Fail(const std::string& text, const std::string& detail) {
  SetError(OruError(Translate(text), detail));
  return false;
}

int EnclosureTest::Code(std::size_t index, int fallback) const {
  return index < codes_.size() ? codes_[index] : fallback;
}

}  // namespace rb
