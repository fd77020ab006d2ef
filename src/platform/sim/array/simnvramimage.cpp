#include "platform/sim/array/simnvramimage.h"

#include <algorithm>
#include <sstream>
#include <string>

#include "controllers/nvramlayout.h"
#include "platform/sim/simmachine.h"
#include "support/stringutil.h"
#include "support/xmlobject.h"

namespace os {

namespace {

namespace layout = rb::nvramlayout;

std::vector<std::uint8_t> HexBytes(const SimMachine& machine, const std::string& text, const char* what) {
  std::vector<std::uint8_t> bytes;
  std::istringstream words(text);
  std::string word;
  while (words >> word) {
    if (word.size() > 2 || word.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
      machine.Reject(std::string("<nvram> ") + what + " holds '" + word + "', not a hexadecimal byte");
    bytes.push_back(static_cast<std::uint8_t>(std::stoul(word, nullptr, 16)));
  }
  return bytes;
}

class Records {
 public:
  Records(const SimMachine& machine, std::vector<std::uint8_t>& part, std::size_t start)
      : machine_(machine), part_(part), start_(start), at_(start) {}

  void Add(std::uint8_t kind, std::uint8_t tag, const std::vector<std::uint8_t>& data) {
    if (data.size() > 255 || at_ + layout::kRecordHeader + data.size() >= part_.size())
      machine_.Reject("<nvram> fields do not fit the part");
    part_[at_] = kind;
    part_[at_ + 1] = tag;
    part_[at_ + 2] = static_cast<std::uint8_t>(data.size());
    std::copy(data.begin(), data.end(),
              part_.begin() + static_cast<std::ptrdiff_t>(at_ + layout::kRecordHeader));
    at_ += layout::kRecordHeader + data.size();
  }
  bool Empty() const { return at_ == start_; }

 private:
  const SimMachine& machine_;
  std::vector<std::uint8_t>& part_;
  std::size_t start_;
  std::size_t at_;
};

std::vector<std::uint8_t> Text(const std::string& text) {
  return {text.begin(), text.end()};
}

}  // namespace

std::vector<std::uint8_t> SimNvramImage(const SimMachine& machine, const rb::XmlObject& element) {
  std::vector<std::uint8_t> part(element.FindAttribute("size") ? machine.Number(element, "size", 4096) : 256);
  if (part.size() < 2) machine.Reject("<nvram> size must be at least 2");
  // The local part's records follow its header.
  const bool header =
      element.FindAttribute("vendorId") != nullptr || element.FindAttribute("deviceId") != nullptr;
  Records records(machine, part, header ? layout::kLocalRecordsOffset : 0);
  if (const std::string assembly = element.GetAttribute("assembly"); !assembly.empty()) {
    if (assembly.size() != layout::kAssemblyLength)
      machine.Reject("<nvram> assembly must be four characters");
    records.Add(layout::kText, layout::kAssemblyTag, Text("ASSY=" + assembly));
  }
  if (element.FindAttribute("autoRev")) {
    std::string digits = element.GetAttribute("autoRev");
    if (digits.size() != 2 * layout::kAutoRevLength) machine.Reject("<nvram> autoRev must be six hex digits");
    records.Add(layout::kBinary, layout::kAutoRevTag,
                HexBytes(machine, digits.substr(0, 2) + " " + digits.substr(2, 2) + " " + digits.substr(4, 2),
                         "autoRev"));
  }
  const struct {
    const char* attribute;
    std::uint8_t tag;
  } codes[] = {
      {"fbt", layout::kFbtCodeTag}, {"pic", layout::kPicCodeTag}, {"testStatus", layout::kTestStatusTag}};
  for (const auto& code : codes)
    if (element.FindAttribute(code.attribute))
      records.Add(layout::kBinary, code.tag,
                  {static_cast<std::uint8_t>(machine.Number(element, code.attribute, 255))});
  if (element.FindAttribute("wellness")) {
    std::string log = ">";
    std::istringstream entries(element.GetAttribute("wellness"));
    std::string entry;
    while (std::getline(entries, entry, ',')) {
      if (entry.size() != layout::kWellnessEntry)
        machine.Reject("<nvram> wellness entry '" + entry + "' is not four characters");
      log += entry;
    }
    records.Add(layout::kBinary, layout::kWellnessTag, Text(log));
  }
  if (element.FindAttribute("phy"))
    records.Add(layout::kBinary, layout::kPhySettingTag,
                HexBytes(machine, element.GetAttribute("phy"), "phy"));
  if (element.FindAttribute("productName"))
    records.Add(layout::kText, layout::kProductNameTag, Text(element.GetAttribute("productName")));
  if (element.FindAttribute("serial"))
    records.Add(layout::kText, layout::kSerialNumberTag, Text(element.GetAttribute("serial")));
  if (element.FindAttribute("boardSignature")) {
    const std::vector<std::uint8_t> signature =
        HexBytes(machine, element.GetAttribute("boardSignature"), "boardSignature");
    if (signature.size() != layout::kBoardSignatureLength)
      machine.Reject("<nvram> boardSignature must be six bytes");
    records.Add(layout::kBinary, layout::kBoardSignatureTag, signature);
  }
  std::vector<std::uint8_t> raw = Text(element.GetAttribute("text"));
  const std::vector<std::uint8_t> hex = HexBytes(machine, element.GetAttribute("hex"), "hex");
  raw.insert(raw.end(), hex.begin(), hex.end());
  if (!raw.empty() && !records.Empty())
    machine.Reject("<nvram> raw content and tagged fields exclude each other");
  if (raw.size() > part.size()) machine.Reject("<nvram> content is larger than the part");
  std::copy(raw.begin(), raw.end(), part.begin());
  const struct {
    const char* attribute;
    std::size_t offset;
  } ids[] = {{"vendorId", layout::kLocalVendorOffset}, {"deviceId", layout::kLocalDeviceOffset}};
  for (const auto& id : ids)
    if (element.FindAttribute(id.attribute)) {
      const auto value = static_cast<std::uint16_t>(machine.Number(element, id.attribute, 0xFFFF));
      part[id.offset] = static_cast<std::uint8_t>(value);
      part[id.offset + 1] = static_cast<std::uint8_t>(value >> 8);
    }
  std::string checksum = element.GetAttribute("checksum", "good");
  if (element.GetAttribute("badChecksum", "0") == "1") checksum = "bad";
  if (checksum == "good" || checksum == "bad")
    layout::SealChecksum(part.data(), part.size(), checksum == "bad" ? 1 : 0);
  else if (checksum != "keep")
    machine.Reject("<nvram> checksum must be good, bad or keep");
  return part;
}

}  // namespace os
