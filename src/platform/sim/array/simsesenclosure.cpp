#include "platform/sim/array/simsesenclosure.h"

#include <algorithm>
#include <cstring>
#include <sstream>

#include "controllers/arraylayouts.h"
#include "controllers/seslayouts.h"
#include "platform/sim/scsi/simscsicommand.h"
#include "platform/sim/simmachine.h"
#include "support/stringutil.h"
#include "support/xmlobject.h"

namespace os {

namespace ses = rb::seslayout;
using rb::arraylayout::Get16;
using rb::arraylayout::Put16;
using rb::arraylayout::Put32;

namespace {

void PutText(std::vector<std::uint8_t>& bytes, std::size_t offset, std::size_t size,
             const std::string& text) {
  for (std::size_t i = 0; i < size; ++i)
    bytes[offset + i] = i < text.size() ? static_cast<std::uint8_t>(text[i]) : ' ';
}

void PutBe16(std::vector<std::uint8_t>& bytes, std::size_t offset, std::size_t value) {
  bytes[offset] = static_cast<std::uint8_t>(value >> 8);
  bytes[offset + 1] = static_cast<std::uint8_t>(value);
}

std::uint8_t FirmwareKind(const SimMachine& machine, const std::string& kind) {
  static const std::pair<const char*, std::uint8_t> kKinds[] = {
      {"sep", ses::kFirmwareSep}, {"bpm", ses::kFirmwareBpm}, {"fcm", ses::kFirmwareFcm},
      {"hmm", ses::kFirmwareHmm}, {"ssd", ses::kFirmwareSsd}, {"micro", ses::kFirmwareMicroController}};
  for (const auto& [name, code] : kKinds)
    if (rb::EqualsNoCase(kind, name)) return code;
  machine.Reject("<firmware> kind '" + kind + "' is none of sep, bpm, fcm, hmm, ssd, micro");
}

// A number in a word list attribute, checked as the attribute's own value would be.
std::uint64_t WordNumber(const SimMachine& machine, const std::string& element, const char* attribute,
                         const std::string& word, std::uint64_t max) {
  rb::XmlObject probe;
  probe.SetName(element);
  probe.SetAttribute(attribute, word);
  return machine.Number(probe, attribute, max);
}

// A fault name's status code and the bits it sets in status bytes 2 and 3.
struct Fault {
  const char* name;
  std::uint8_t status;
  std::uint8_t byte2;
  std::uint8_t byte3;
};

SimSesEnclosure::Record FaultRecord(const SimMachine& machine, const rb::XmlObject& element,
                                    const std::vector<Fault>& faults) {
  SimSesEnclosure::Record record{ses::kStatusOk, 0, 0, 0};
  const std::string fault = element.GetAttribute("fault");
  if (!fault.empty()) {
    const auto found = std::find_if(faults.begin(), faults.end(),
                                    [&](const Fault& f) { return rb::EqualsNoCase(fault, f.name); });
    if (found == faults.end()) machine.Reject("<" + element.Name() + "> fault '" + fault + "' is unknown");
    record = {found->status, 0, found->byte2, found->byte3};
  }
  return record;
}

// The raw overrides every element takes.
void Overrides(const SimMachine& machine, const rb::XmlObject& element, SimSesEnclosure::Record& record) {
  if (element.FindAttribute("status"))
    record[0] = static_cast<std::uint8_t>(machine.Number(element, "status", ses::kStatusMask));
  if (element.FindAttribute("byte3"))
    record[3] = static_cast<std::uint8_t>(machine.Number(element, "byte3", 0xFF));
}

}  // namespace

SimSesEnclosure::SimSesEnclosure(const SimMachine& machine, const rb::XmlObject& element,
                                 std::uint16_t defaultHandle)
    : handle_(element.FindAttribute("handle")
                  ? static_cast<std::uint16_t>(machine.Number(element, "handle", 0xFFFE))
                  : defaultHandle),
      vendor_(element.GetAttribute("vendor", "RAVEL")),
      product_(element.GetAttribute("product", "RB SAS ENCLOSURE")),
      revision_(element.GetAttribute("revision", "0100")) {
  std::istringstream pages(element.GetAttribute("failPages"));
  for (std::string word; pages >> word;)
    failPages_.push_back(
        static_cast<std::uint8_t>(WordNumber(machine, element.Name(), "failPages", word, 0xFF)));
  std::vector<std::uint8_t> inquiry(ses::diaginquiry::kSize, 0);
  PutText(inquiry, ses::diaginquiry::kVendor, ses::diaginquiry::kVendorSize, vendor_);
  PutText(inquiry, ses::diaginquiry::kProduct, ses::diaginquiry::kProductSize, product_);
  PutText(inquiry, ses::diaginquiry::kRevision, ses::diaginquiry::kRevisionSize, revision_);
  inquiry[ses::diaginquiry::kVersion] =
      element.FindAttribute("version") ? static_cast<std::uint8_t>(machine.Number(element, "version", 0xFF))
                                       : 5;
  std::size_t firmware = 0;
  for (const rb::XmlObject& child : element.Children()) {
    const std::string& name = child.Name();
    Record record{ses::kStatusOk, 0, 0, 0};
    std::uint8_t type = 0;
    if (rb::EqualsNoCase(name, "firmware")) {
      if (firmware == ses::diaginquiry::kMaxDescriptors) machine.Reject("too many <firmware>");
      const std::size_t at = ses::diaginquiry::kDescriptors + firmware++ * ses::diaginquiry::kDescriptorSize;
      inquiry[at] = FirmwareKind(machine, child.GetAttribute("kind"));
      PutText(inquiry, at + ses::diaginquiry::kDescriptorRevision, 4, child.GetAttribute("revision"));
      continue;
    } else if (rb::EqualsNoCase(name, "temperature")) {
      type = ses::kTypeTemperature;
      record = FaultRecord(machine, child,
                           {{"overWarning", ses::kStatusNonCritical, 0, ses::kTempOverWarning},
                            {"overFailure", ses::kStatusCritical, 0, ses::kTempOverFailure},
                            {"underWarning", ses::kStatusNonCritical, 0, ses::kTempUnderWarning},
                            {"underFailure", ses::kStatusCritical, 0, ses::kTempUnderFailure}});
      record[2] = static_cast<std::uint8_t>(machine.Number(child, "value", 0xFF));
    } else if (rb::EqualsNoCase(name, "fan")) {
      type = ses::kTypeCooling;
      record = FaultRecord(
          machine, child,
          {{"failed", ses::kStatusCritical, 0, ses::kFanFail}, {"off", ses::kStatusNotAvailable, 0, 0x10}});
      const auto speed = static_cast<std::uint16_t>(machine.Number(child, "speed", ses::kFanSpeedMask));
      // Low byte first: the controller's encoding of the actual speed.
      record[1] = static_cast<std::uint8_t>(speed);
      record[2] = static_cast<std::uint8_t>(speed >> 8);
      const auto code =
          child.FindAttribute("code") ? machine.Number(child, "code", ses::kFanSpeedCodeMask) : 3;
      if ((record[3] & (ses::kFanFail | ses::kFanOff)) == 0)
        record[3] = static_cast<std::uint8_t>(record[3] | ses::kFanRequestedOn | code);
    } else if (rb::EqualsNoCase(name, "powerSupply")) {
      type = ses::kTypePowerSupply;
      record = FaultRecord(machine, child,
                           {{"missing", ses::kStatusNotInstalled, 0, 0},
                            {"failed", ses::kStatusCritical, 0, ses::kPsFail | ses::kPsDcFailure},
                            {"acFailure", ses::kStatusCritical, 0, ses::kPsAcFailure},
                            {"dcFailure", ses::kStatusCritical, 0, ses::kPsDcFailure},
                            {"overVoltage", ses::kStatusCritical, ses::kPsDcOverVoltage, 0},
                            {"underVoltage", ses::kStatusCritical, ses::kPsDcUnderVoltage, 0},
                            {"overCurrent", ses::kStatusCritical, ses::kPsDcOverCurrent, 0}});
    } else if (rb::EqualsNoCase(name, "current")) {
      type = ses::kTypeCurrentSensor;
      const std::uint64_t centiamps = machine.Number(child, "milliamps", 655350) / 10;
      record[2] = static_cast<std::uint8_t>(centiamps >> 8);
      record[3] = static_cast<std::uint8_t>(centiamps);
    } else if (rb::EqualsNoCase(name, "slots")) {
      slotType_ = child.FindAttribute("type") ? static_cast<std::uint8_t>(machine.Number(child, "type", 0xFF))
                                              : ses::kTypeArrayDeviceSlot;
      if (slotType_ != ses::kTypeArrayDeviceSlot && slotType_ != ses::kTypeDeviceSlot)
        machine.Reject("<slots> type must be 0x01 or 0x17");
      elements_[slotType_].resize(machine.Number(child, "count", 255),
                                  Element{{ses::kStatusOk, 0, 0, 0}, {}});
      continue;
    } else if (rb::EqualsNoCase(name, "expander")) {
      std::vector<std::uint8_t> record(ses::expander::kSize, 0);
      auto number = [&](const char* attribute, std::uint64_t fallback) {
        return child.FindAttribute(attribute) ? machine.Number(child, attribute, 0xFFFFFFFF) : fallback;
      };
      Put32(record.data(), ses::expander::kVendorId, static_cast<std::uint32_t>(number("vendorId", 0x1000)));
      Put32(record.data(), ses::expander::kAsicId, static_cast<std::uint32_t>(number("asicId", 0x0222)));
      Put32(record.data(), ses::expander::kAsicRevision,
            static_cast<std::uint32_t>(number("asicRevision", 1)));
      const std::uint64_t wwn = machine.Number(child, "wwn", ~0ull);
      for (int i = 0; i < 8; ++i)
        record[ses::expander::kWorldWideName + i] = static_cast<std::uint8_t>(wwn >> (56 - 8 * i));
      std::istringstream phys(child.GetAttribute("phys"));
      std::size_t count = 0;
      for (std::string word; phys >> word; ++count) {
        if (count == ses::expander::kMaxPhys) machine.Reject("<expander> has too many phys");
        record[ses::expander::kPhyMap + count] =
            word == "-" ? ses::kPhyUnattached
                        : static_cast<std::uint8_t>(WordNumber(machine, child.Name(), "phys", word, 0xFE));
      }
      record[ses::expander::kPhyCount] = static_cast<std::uint8_t>(count);
      buffers_[static_cast<std::uint16_t>(ses::kBufferExpander + expanders_++)] = std::move(record);
      continue;
    } else if (rb::EqualsNoCase(name, "buffer")) {
      const auto id = static_cast<std::uint16_t>(machine.Number(child, "id", 0xFFFF));
      std::vector<std::uint8_t> bytes;
      if (child.FindAttribute("hex")) {
        bytes = machine.HexBytes("<buffer> hex", child.GetAttribute("hex"));
      } else {
        const std::string text = child.GetAttribute("text");
        bytes.assign(text.begin(), text.end());
      }
      if (child.FindAttribute("size")) bytes.resize(machine.Number(child, "size", 65535), 0);
      buffers_[id] = std::move(bytes);
      continue;
    } else {
      continue;
    }
    Overrides(machine, child, record);
    elements_[type].push_back(Element{record, {}});
  }
  inquiry[ses::diaginquiry::kDescriptorCount] = static_cast<std::uint8_t>(firmware);
  buffers_.emplace(ses::kBufferDiagInquiry, std::move(inquiry));
  if (elements_.size() > 255) machine.Reject("<sesEnclosure> has too many element types");
}

const SimSesEnclosure::Record* SimSesEnclosure::Control(std::uint8_t type, std::size_t number) const {
  const auto found = elements_.find(type);
  if (found == elements_.end() || number >= found->second.size()) return nullptr;
  return &found->second[number].control;
}

const SimSesEnclosure::Element* SimSesEnclosure::SlotElement(std::size_t slot) const {
  const auto found = elements_.find(slotType_);
  if (slotType_ == 0 || found == elements_.end() || slot >= found->second.size()) return nullptr;
  return &found->second[slot];
}

bool SimSesEnclosure::SlotIdentify(std::size_t slot) const {
  const Element* element = SlotElement(slot);
  return element != nullptr && (element->status[2] & ses::kSlotIdent) != 0;
}

bool SimSesEnclosure::SlotFault(std::size_t slot) const {
  const Element* element = SlotElement(slot);
  return element != nullptr && (element->status[3] & ses::kSlotFault) != 0;
}

void SimSesEnclosure::Access(SimScsiCommand& command) {
  const std::uint8_t page = command.Byte(ses::cdb::kPage);
  if (std::find(failPages_.begin(), failPages_.end(), page) != failPages_.end())
    return command.CheckCondition(0x04, 0x35, 0x00);  // HARDWARE ERROR, enclosure services failure
  const bool read = command.Opcode() == ses::kReadOpcode;
  switch (page) {
    case ses::kPageBuffer:
      return Buffer(command);
    case ses::kPageQueryByte: {
      if (!read) break;
      const std::uint16_t type = Get16(command.cdb, ses::cdb::kArgument1);
      std::size_t count = 0;
      if (type == ses::kTypeSasExpander) {
        count = expanders_;
      } else if (const auto found = elements_.find(static_cast<std::uint8_t>(type));
                 found != elements_.end()) {
        count = found->second.size();
      }
      std::memset(command.data, 0, command.dataLength);
      if (command.dataLength != 0)
        command.data[0] = static_cast<std::uint8_t>(std::min<std::size_t>(count, 255));
      command.transferred = command.dataLength;
      return;
    }
    case ses::kPageElementQuery:
      if (read) return ElementQuery(command);
      break;
    case ses::kPageSetElement:
      if (!read) return SetElement(command);
      break;
    default:
      break;
  }
  command.CheckCondition(0x05, 0x24, 0x00);  // ILLEGAL REQUEST, invalid field in CDB
}

void SimSesEnclosure::Buffer(SimScsiCommand& command) {
  const auto found = buffers_.find(Get16(command.cdb, ses::cdb::kArgument1));
  if (found == buffers_.end()) return command.CheckCondition(0x05, 0x24, 0x00);
  std::vector<std::uint8_t>& buffer = found->second;
  const std::size_t count = std::min(buffer.size(), command.dataLength);
  if (command.Opcode() == ses::kReadOpcode) {
    std::memset(command.data, 0, command.dataLength);
    std::copy_n(buffer.begin(), count, command.data);
  } else {
    std::copy_n(command.data, count, buffer.begin());
  }
  command.transferred = command.dataLength;
}

void SimSesEnclosure::NvramRegion(SimScsiCommand& command) {
  namespace sn = rb::arraylayout::sesnvram;
  const auto found = buffers_.find(command.Byte(9));
  if (found == buffers_.end()) return command.CheckCondition(0x05, 0x24, 0x00);
  std::vector<std::uint8_t>& region = found->second;
  if (command.dataIn) {
    if (command.dataLength < sn::kReadSize) return command.CheckCondition(0x05, 0x24, 0x00);
    std::memset(command.data, 0, command.dataLength);
    std::copy_n(region.begin(), std::min<std::size_t>(region.size(), sn::kReadSize), command.data);
  } else {
    const std::size_t offset = rb::arraylayout::Get16(command.data, sn::kOffset);
    const std::size_t count = command.dataLength == sn::kWriteSize ? command.data[sn::kCount] : 0;
    if (count == 0 || count > sn::kDataMost || offset + count > region.size())
      return command.CheckCondition(0x05, 0x24, 0x00);
    std::copy_n(command.data + sn::kData, count, region.begin() + static_cast<std::ptrdiff_t>(offset));
  }
  command.transferred = command.dataLength;
}

void SimSesEnclosure::ElementQuery(SimScsiCommand& command) const {
  const std::uint16_t code = Get16(command.cdb, ses::cdb::kArgument1);
  if (code == ses::kSesConfiguration) return command.Answer(ConfigurationPage(), command.dataLength);
  if (code == ses::kSesEnclosureStatus) return command.Answer(StatusPage(), command.dataLength);
  command.CheckCondition(0x05, 0x24, 0x00);
}

void SimSesEnclosure::SetElement(SimScsiCommand& command) {
  const auto found = elements_.find(static_cast<std::uint8_t>(Get16(command.cdb, ses::cdb::kArgument1)));
  const std::uint16_t number = Get16(command.cdb, ses::cdb::kArgument2);
  if (found == elements_.end() || number >= found->second.size() ||
      command.dataLength < ses::kElementRecordSize)
    return command.CheckCondition(0x05, 0x24, 0x00);
  Element& element = found->second[number];
  std::copy_n(command.data, ses::kElementRecordSize, element.control.begin());
  // A slot's status shows the LEDs its control asks for.
  if (found->first == slotType_) {
    element.status[2] = static_cast<std::uint8_t>((element.status[2] & ~ses::kSlotIdent) |
                                                  (element.control[2] & ses::kSlotIdent));
    element.status[3] = static_cast<std::uint8_t>((element.status[3] & ~ses::kSlotFault) |
                                                  (element.control[3] & ses::kSlotFault));
  }
  command.transferred = command.dataLength;
}

std::vector<std::uint8_t> SimSesEnclosure::ConfigurationPage() const {
  std::vector<std::uint8_t> page(ses::page::kHeaderSize + ses::enclosuredescriptor::kMinimumSize, 0);
  page[ses::page::kCode] = static_cast<std::uint8_t>(ses::kSesConfiguration);
  const std::size_t descriptor = ses::page::kHeaderSize;
  page[descriptor + ses::enclosuredescriptor::kTypeCount] = static_cast<std::uint8_t>(elements_.size());
  page[descriptor + ses::enclosuredescriptor::kDescriptorLength] =
      static_cast<std::uint8_t>(ses::enclosuredescriptor::kMinimumSize - 4);
  PutText(page, descriptor + ses::enclosuredescriptor::kVendor, 8, vendor_);
  PutText(page, descriptor + ses::enclosuredescriptor::kProduct, 16, product_);
  PutText(page, descriptor + ses::enclosuredescriptor::kRevision, 4, revision_);
  for (const auto& [type, elements] : elements_)
    page.insert(page.end(), {type, static_cast<std::uint8_t>(elements.size()), 0, 0});
  PutBe16(page, ses::page::kLength, page.size() - 4);
  return page;
}

std::vector<std::uint8_t> SimSesEnclosure::StatusPage() const {
  std::vector<std::uint8_t> page(ses::page::kHeaderSize, 0);
  page[ses::page::kCode] = static_cast<std::uint8_t>(ses::kSesEnclosureStatus);
  for (const auto& [type, elements] : elements_) {
    page.insert(page.end(), {0, 0, 0, 0});  // the overall status record
    for (const Element& element : elements)
      page.insert(page.end(), element.status.begin(), element.status.end());
  }
  PutBe16(page, ses::page::kLength, page.size() - 4);
  return page;
}

void SimSesAccess(std::vector<std::unique_ptr<SimSesEnclosure>>& enclosures, SimScsiCommand& command) {
  if (command.cdbLength < ses::kCdbLength) return command.CheckCondition(0x05, 0x24, 0x00);
  if (command.Byte(ses::cdb::kPage) == ses::kPageQuery) {
    if (Get16(command.cdb, ses::cdb::kArgument1) != ses::kQueryEnclosures ||
        command.Opcode() != ses::kReadOpcode)
      return command.CheckCondition(0x05, 0x24, 0x00);
    std::vector<std::uint8_t> reply(ses::kEnclosureHandles + 2 * enclosures.size(), 0);
    Put16(reply.data(), 0, static_cast<std::uint16_t>(enclosures.size()));
    for (std::size_t i = 0; i < enclosures.size(); ++i)
      Put16(reply.data(), ses::kEnclosureHandles + 2 * i, enclosures[i]->Handle());
    std::memset(command.data, 0, command.dataLength);
    return command.Answer(reply, command.dataLength);
  }
  const std::uint16_t handle = Get16(command.cdb, ses::cdb::kHandle);
  for (const auto& enclosure : enclosures)
    if (enclosure->Handle() == handle) return enclosure->Access(command);
  command.CheckCondition(0x05, 0x24, 0x00);
}

}  // namespace os
