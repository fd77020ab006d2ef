#include "tests/cdromaccesstest.h"

#include "devices/ata/atarequests.h"
#include "devices/ata/idecdrom.h"
#include "devices/scsi/opticaldrivecommands.h"
#include "framework/booleanparameter.h"
#include "framework/enumerationparameter.h"
#include "framework/enumoption.h"
#include "platform/os.h"
#include "support/catalog.h"
#include "support/oruerror.h"
#include "support/xmlobject.h"
#include "tests/removable/operatorquestions.h"
#include "tests/removable/parametervalues.h"

namespace rb {

namespace {

constexpr const char* kCd = "CD";
constexpr const char* kDvd = "DVD";

// The disc's kind from the drive's current profile (GET CONFIGURATION bytes 6-7): CD profiles are
// 08h-0Ah, DVD profiles 10h-2Fh; empty for none or another.
std::string KindOfProfile(std::uint16_t profile) {
  if (profile >= 0x08 && profile <= 0x0A) return kCd;
  if (profile >= 0x10 && profile <= 0x2F) return kDvd;
  return {};
}

}  // namespace

CdromAccessTest::CdromAccessTest()
    : AccessTest("CdromAccessTest", "Optical Drive Access Test",
                 "Exercises the I/O capability of an optical drive", "", "") {
  capabilities_.interactive = true;
  capabilities_.requiresMedia = true;
}

void CdromAccessTest::Setup() {
  AccessTest::Setup();
  ParameterList& list = Parameters();
  list.Add(std::make_unique<BooleanParameter>(
      "VerifyTypeOfMedia", Translate("Verify Type of Media"),
      Translate("Check that the media in the drive is of the type chosen below"), false));
  auto type = std::make_unique<EnumerationParameter>(
      "TypeOfMedia", Translate("Type Of Media"), Translate("The type of media expected in the drive"), kCd);
  type->AddOption({kCd, Translate("CD"), Translate("A CD: CD-ROM, CD-R or CD-RW")});
  type->AddOption({kDvd, Translate("DVD"), Translate("A DVD: DVD-ROM, DVD±R or DVD±RW")});
  list.Add(std::move(type));
  list.Add(std::make_unique<BooleanParameter>("RemoveMedia", Translate("RemoveMedia"),
                                              Translate("Specify that media be removed"), false));
}

std::string CdromAccessTest::DrivePath() const {
  if (const auto* drive = dynamic_cast<const IdeCdrom*>(Owner())) return drive->DevicePath();
  throw OruError("Device not found", Name());
}

void CdromAccessTest::VerifyTypeOfMedia(const std::string& path) {
  const std::string wanted = TextValue(Parameters(), "TypeOfMedia", kCd);
  std::uint8_t header[8] = {};
  const bool answered = GetConfiguration(path, header, sizeof header);
  const std::string found =
      answered ? KindOfProfile(static_cast<std::uint16_t>(header[6] << 8 | header[7])) : "";
  if (found != wanted)
    throw OruError(Translate("Incorrect or missing media"), Translate("Expected") + " " + wanted + ", " +
                                                                Translate("found") + " " +
                                                                (found.empty() ? Translate("none") : found));
  Output() << Translate("Type Of Media") << ": " << found << '\n';
}

bool CdromAccessTest::Execute(const XmlObject& command) {
  const std::string path = DrivePath();
  bool passed = false;
  try {
    if (rb::BooleanValue(Parameters(), "VerifyTypeOfMedia", false)) VerifyTypeOfMedia(path);
    passed = AccessTest::Execute(command);
  } catch (const OruError& error) {
    WriteResultFile(false, error.Message());
    throw;
  }
  if (passed && rb::BooleanValue(Parameters(), "RemoveMedia", false)) {
    ata::EjectMedia(path);
    AskOk(*this, Translate("Remove the media from the drive and press OK"));
    ata::LoadMedia(path);
  }
  WriteResultFile(passed, ErrorElement().GetAttribute("caption", ""));
  return passed;
}

void CdromAccessTest::WriteResultFile(bool passed, const std::string& text) {
  XmlObject result;
  result.SetName("result");
  result.SetAttribute("test", Name());
  result.SetAttribute("device", Owner() != nullptr ? Owner()->Name() : "");
  result.SetAttribute("state", passed ? "passed" : "failed");
  if (!text.empty()) result.SetAttribute("message", text);
  const std::string document = result.ToString();
  os::Platform& system = os::Current();
  const win::HANDLE file = system.CreateFile(kResultFile, win::GENERIC_READ | win::GENERIC_WRITE, 0,
                                             win::CREATE_ALWAYS, win::FILE_ATTRIBUTE_NORMAL);
  if (file == win::INVALID_HANDLE_VALUE) return;
  win::DWORD written = 0;
  system.WriteFile(file, document.data(), static_cast<win::DWORD>(document.size()), &written);
  system.CloseHandle(file);
}

}  // namespace rb
