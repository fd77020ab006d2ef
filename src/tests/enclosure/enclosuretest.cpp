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
  std::string caption = Caption();
  stream.Transfer(caption);
  // The count is checked against what the stream still holds: a damaged file cannot ask for more.
  const std::size_t count = stream.TransferCount(codes_.size(), sizeof(std::int32_t));
  if (!writing) codes_.assign(count, 0);
  for (int& code : codes_) stream.Transfer(code);
  if (writing) return;
  // The instance's texts and parameters are those its configuration makes.
  if (const std::unique_ptr<Test> made = MakeConfiguredTest(StreamableName(), {Name(), caption, codes_}))
    Assign(*made);
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
