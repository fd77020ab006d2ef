#include "framework/prompt.h"

#include "component/componentinstance.h"
#include "support/catalog.h"
#include "support/debug.h"

namespace rb {
namespace {

struct ImageRow {
  const char* caption;
  const char* image;
  const char* hotkey;
};

constexpr ImageRow kImageTable[Prompt::kImageRows] = {
    {"Keyboard", "kbDevice.BMP", "k"},       {"Hard Drive", "HDSCSI.BMP", "h"},
    {"CDROM Drive", "cdrom.BMP", "c"},       {"Floppy Drive", "diskette.BMP", "f"},
    {"Tape Drive", "TAPE.BMP", "t"},         {"Zip Drive", "zipDrive.BMP", "z"},
    {"DVD Drive", "DVD.BMP", "v"},           {"Green Power LED", "PowerLed.BMP", "p"},
    {"Red Power LED", "PowerLed.BMP", "l"},  {"CDRW Drive", "CDRWM.BMP", "r"},
    {"DVDRW Drive", "DVD.BMP", "w"},         {"Combo Drive", "cdrom.BMP", "m"},
};

}  // namespace

std::vector<std::string> Prompt::ImageCaptions() {
  std::vector<std::string> captions;
  for (const ImageRow& row : kImageTable) captions.emplace_back(row.caption);
  return captions;
}

void Prompt::Notify(const std::string& caption, const std::string& description) {
  SendDiagEvent(caption, description);
}

std::string Prompt::Ask(const std::string& document) {
  if (ComponentInstance() == nullptr) return {};
  return InvokeCallback(document);
}

XmlObject Prompt::Document(const std::string& message, const std::string& type, const std::string& width,
                           const std::string& height) const {
  XmlObject document;
  document.SetName("diagPrompt");
  document.SetAttribute("test", testName);
  document.SetAttribute("device", deviceName);
  document.SetAttribute("type", type);
  document.SetAttribute("width", width);
  document.SetAttribute("height", height);
  document.SetAttribute("loop", std::to_string(loop));
  document.SetAttribute("recordNum", std::to_string(recordNum));
  if (superLedMode) document.SetAttribute("titleCaption", Translate("Super LED Test"));
  if (blankTitle) document.SetAttribute("titleCaption", "  ");
  document.SetText(message);
  // The image table has a row for each choice the host can picture; a super-LED question offers no more.
  std::size_t count = options_.size();
  if (superLedMode && count > kImageRows) {
    DebugPrint("Prompt offers %u options, super LED mode shows the first %u\n", static_cast<unsigned>(count),
               static_cast<unsigned>(kImageRows));
    count = kImageRows;
  }
  for (std::size_t i = 0; i < count; ++i) {
    XmlObject option;
    option.SetName("option");
    option.SetAttribute("caption", Translate(options_[i]));
    if (superLedMode) {
      option.SetAttribute("hotkey", kImageTable[i].hotkey);
      option.SetAttribute("image", kImageTable[i].image);
    }
    document.AddChild(std::move(option));
  }
  return document;
}

std::string Prompt::Pose(const std::string& message, const std::vector<std::string>& options,
                         const std::string& type, const std::string& width, const std::string& height) {
  SetOptions(options);
  const XmlObject document = Document(message, type, width, height);
  const std::string& device = deviceCaption.empty() ? deviceName : deviceCaption;
  const std::string& test = testCaption.empty() ? testName : testCaption;
  Notify(Translate("Test Prompts User"), device + " - " + test + ";" + message);
  const std::string reply = Ask(document.ToString());
  if (reply.empty()) return {};
  return XmlObject(reply).GetAttribute("value", "");
}

}  // namespace rb
