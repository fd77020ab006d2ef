#include "platform/sim/scsi/simscsiunit.h"

#include <algorithm>
#include <sstream>

#include "platform/sim/simmachine.h"
#include "support/stringutil.h"
#include "support/xmlobject.h"

namespace os {

namespace {

// A text field of fixed width, padded with blanks.
void PutText(std::vector<std::uint8_t>& bytes, std::size_t offset, std::size_t width,
             const std::string& text) {
  for (std::size_t i = 0; i < width; ++i)
    bytes[offset + i] = i < text.size() ? static_cast<std::uint8_t>(text[i]) : ' ';
}

}  // namespace

SimScsiUnit::SimScsiUnit(const SimMachine& machine, const rb::XmlObject& element, std::uint8_t peripheralType,
                         std::shared_ptr<SimClock> clock)
    : type_(peripheralType), clock_(std::move(clock)) {
  if (element.FindAttribute("path") != nullptr)
    path_ = static_cast<std::uint8_t>(machine.Number(element, "path", 0xFF));
  if (element.FindAttribute("target") != nullptr)
    target_ = static_cast<std::uint8_t>(machine.Number(element, "target", 0xFF));
  if (element.FindAttribute("lun") != nullptr)
    lun_ = static_cast<std::uint8_t>(machine.Number(element, "lun", 0xFF));
  vendor_ = element.GetAttribute("vendor", "RAVEL");
  product_ = element.GetAttribute("product", "SIM DEVICE");
  revision_ = element.GetAttribute("revision", "0001");
  if (SimAtaDevice::Declared(element)) {
    // What the port driver's SCSI-to-ATA translation answers: the model's first 16 characters and the
    // firmware's last 4.
    const std::string firmware = element.GetAttribute("firmware", "1.00");
    vendor_ = "ATA";
    product_ = element.GetAttribute("model").substr(0, 16);
    revision_ = firmware.substr(firmware.size() > 4 ? firmware.size() - 4 : 0);
  }
  mounted_ = element.GetAttribute("mounted", "0") == "1";
  serial_ = element.GetAttribute("serial", "SIM" + std::to_string(target_));
  if (element.FindAttribute("scsiVersion") != nullptr)
    scsiVersion_ = static_cast<std::uint8_t>(machine.Number(element, "scsiVersion", 0xFF));
  // Version descriptors as hexadecimal words separated by blanks (INQUIRY bytes 58 on).
  std::istringstream words(element.GetAttribute("versionDescriptors"));
  std::string word;
  while (words >> word && versionDescriptors_.size() < 8) {
    try {
      versionDescriptors_.push_back(static_cast<std::uint16_t>(std::stoul(word, nullptr, 16)));
    } catch (const std::exception&) {
      machine.Reject("<" + element.Name() + "> version descriptor '" + word + "' is not hexadecimal");
    }
  }
  faults_ = SimScsiFault::Read(machine, element);
}

void SimScsiUnit::MakeAta(const SimMachine& machine, const rb::XmlObject& element, int packetType,
                          std::uint64_t sectors) {
  if (SimAtaDevice::Declared(element))
    ata_ = std::make_unique<SimAtaDevice>(machine, element, packetType, sectors, clock_);
}

win::DWORD SimScsiUnit::Execute(SimScsiCommand& command) {
  const std::uint8_t opcode = command.Opcode();
  std::uint64_t blocks = 0;
  const std::optional<std::uint64_t> first = FirstBlock(command, blocks);
  // INQUIRY and REQUEST SENSE answer whatever state the unit is in.
  const bool always = opcode == 0x12 || opcode == 0x03;
  std::vector<const SimScsiFault*> corrupting;
  for (SimScsiFault& fault : faults_) {
    if (!fault.Applies(opcode, first, blocks, Now())) continue;
    switch (fault.kind) {
      case SimScsiFault::kCorrupt:
        corrupting.push_back(&fault);
        continue;
      case SimScsiFault::kDriverFailure:
        return fault.error;
      case SimScsiFault::kBusy:
        if (always) continue;
        command.status = 0x08;
        return win::ERROR_SUCCESS;
      case SimScsiFault::kNotReady:
        if (always) continue;
        command.CheckCondition(0x2, 0x04, 0x01);
        return win::ERROR_SUCCESS;
      case SimScsiFault::kSense:
        command.CheckCondition(fault.senseKey, fault.asc, fault.ascq, fault.specific);
        return win::ERROR_SUCCESS;
    }
  }
  switch (opcode) {
    case 0x12:
      Inquiry(command);
      break;
    case 0x03:
      CurrentSense(command);
      break;
    case 0x00:
      NotReady(command);
      break;
    default:
      if (!NotReady(command)) Dispatch(command);
      break;
  }
  if (command.dataIn && first && command.status == 0)
    for (const SimScsiFault* fault : corrupting)
      fault->Corrupt(*first, blocks, command.data, command.transferred);
  return win::ERROR_SUCCESS;
}

void SimScsiUnit::Dispatch(SimScsiCommand& command) {
  command.CheckCondition(0x5, 0x20, 0x00);
}

bool SimScsiUnit::NotReady(SimScsiCommand&) {
  return false;
}

void SimScsiUnit::CurrentSense(SimScsiCommand& command) {
  std::vector<std::uint8_t> sense(18, 0);
  sense[0] = 0x70;
  sense[7] = 10;
  command.Answer(sense, command.Byte(4));
}

void SimScsiUnit::Inquiry(SimScsiCommand& command) {
  const std::size_t allocation = command.BigEndian(3, 2);
  if (command.Byte(1) & 0x01) {
    const std::uint8_t page = command.Byte(2);
    std::vector<std::uint8_t> vpd = {type_, page, 0, 0};
    if (page == 0x00) {
      vpd.insert(vpd.end(), {0x00, 0x80, 0x83});
    } else if (page == 0x80) {
      vpd.insert(vpd.end(), serial_.begin(), serial_.end());
    } else if (page == 0x83) {
      // One designator: T10 vendor identification, vendor then serial.
      std::vector<std::uint8_t> id(8, ' ');
      PutText(id, 0, 8, vendor_);
      id.insert(id.end(), serial_.begin(), serial_.end());
      vpd.insert(vpd.end(), {0x02, 0x01, 0x00, static_cast<std::uint8_t>(id.size())});
      vpd.insert(vpd.end(), id.begin(), id.end());
    } else {
      command.CheckCondition(0x5, 0x24, 0x00, 0xC002);
      return;
    }
    vpd[3] = static_cast<std::uint8_t>(vpd.size() - 4);
    command.Answer(vpd, allocation);
    return;
  }
  if (command.Byte(2) != 0) {
    command.CheckCondition(0x5, 0x24, 0x00, 0xC002);
    return;
  }
  command.Answer(StandardInquiry(), allocation);
}

std::vector<std::uint8_t> SimScsiUnit::StandardInquiry() const {
  std::vector<std::uint8_t> data(96, 0);
  data[0] = type_;
  data[1] = Removable() ? 0x80 : 0x00;
  data[2] = scsiVersion_;
  data[3] = 0x02;
  data[4] = static_cast<std::uint8_t>(data.size() - 5);
  data[7] = 0x02;  // command queueing
  PutText(data, 8, 8, vendor_);
  PutText(data, 16, 16, product_);
  PutText(data, 32, 4, revision_);
  PutText(data, 36, 20, serial_);
  for (std::size_t i = 0; i < versionDescriptors_.size(); ++i) {
    data[58 + 2 * i] = static_cast<std::uint8_t>(versionDescriptors_[i] >> 8);
    data[59 + 2 * i] = static_cast<std::uint8_t>(versionDescriptors_[i]);
  }
  return data;
}

}  // namespace os
