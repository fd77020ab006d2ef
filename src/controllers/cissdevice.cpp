#include "controllers/cissdevice.h"

#include <algorithm>
#include <cstring>

#include "controllers/arrayboards.h"
#include "controllers/arraylayouts.h"
#include "controllers/backplane.h"
#include "controllers/backplanetestlist.h"
#include "controllers/cissbackplane.h"
#include "controllers/cisscommandlist.h"
#include "controllers/cissdiscoveryinfo.h"
#include "controllers/cisslunaddress.h"
#include "controllers/cisstestlist.h"
#include "controllers/logicalvolume.h"
#include "controllers/raiddisk.h"
#include "controllers/replytext.h"
#include "controllers/sataraiddisk.h"
#include "devices/enumeration/discoverycontext.h"
#include "devices/scsi/scsisense.h"
#include "devices/tape/scsitape.h"
#include "framework/interface.h"
#include "framework/ptstream.h"
#include "framework/test.h"
#include "framework/testfactory.h"
#include "support/catalog.h"
#include "support/debug.h"
#include "support/oruerror.h"
#include "support/storageconfig.h"
#include "support/stringutil.h"
#include "support/xmlobject.h"

namespace rb {

namespace {

namespace layout = arraylayout;
namespace command = arraylayout::command;
namespace controller = arraylayout::identifycontroller;

constexpr std::uint8_t kTypeDisk = 0x00;
constexpr std::uint8_t kTypeTape = 0x01;
constexpr std::uint8_t kTypeProcessor = 0x03;
constexpr std::uint8_t kTypeStorageController = 0x0C;
constexpr std::uint8_t kTypeSimplifiedDisk = 0x0E;
constexpr std::uint32_t kInquiryLength = 512;
// What the inquiry buffer holds before the reply, so that a short reply shows.
constexpr std::uint8_t kInquiryFill = 0xEE;
constexpr std::size_t kBackplaneIdentity = 24 + 4;

// A storage-box board's processor LUN is its enclosure processor, shown as the SES backplane; on
// other boards a processor LUN is a plain backplane.
std::unique_ptr<ScsiDevice> MakeBackplane(CissDevice& owner, std::uint8_t bus, std::uint8_t target,
                                          const std::vector<std::uint8_t>& inquiry) {
  if (arrayboards::IsStorageBoxBoard(owner.BoardId()))
    return std::make_unique<CissBackPlane>("cissBackplane", owner, bus, target);
  return Backplane::Make(owner, bus, target, inquiry);
}

const char* CommandStatusWord(std::uint16_t status) {
  switch (status) {
    case layout::kCissDataOverrun:
      return "Data Overrun";
    case layout::kCissInvalidCommand:
      return "Invalid Command";
    case layout::kCissProtocolError:
      return "Protocol Error";
    case layout::kCissHardwareError:
      return "Hardware Error";
    case layout::kCissConnectionLost:
      return "Connection Lost";
    case layout::kCissAborted:
      return "Command Aborted";
    case layout::kCissAbortFailed:
      return "Abort Failed";
    case layout::kCissUnsolicitedAbort:
      return "Unsolicited Abort";
    case layout::kCissTimeout:
      return "Timeout";
    case layout::kCissUnabortable:
      return "Unabortable Command";
    default:
      return "Unknown CISS Status";
  }
}

// What follows the status word in the error's detail.
std::string StatusParticulars(const CissErrorInfo& error, const std::uint8_t* cdb, std::int32_t cdbLength) {
  switch (error.commandStatus) {
    case layout::kCissTargetStatus:
      return "\n" + SenseText(error.senseData, sizeof error.senseData);
    case layout::kCissInvalidCommand: {
      std::string text = ": [ ";
      for (std::int32_t i = 0; i < cdbLength; ++i) text += StringPrintf("%02x ", cdb[i]);
      text += "] ";
      const unsigned size = error.moreErrorInfo[2];
      const unsigned field = error.moreErrorInfo[3];
      if (size != 0)
        text += "Byte" +
                StringPrintf(" %u-%u (%08xh)", field, field + size, layout::Get32(error.moreErrorInfo, 4));
      return text;
    }
    case layout::kCissTimeout:
      return StringPrintf(": %04xh : %02xh : %d", error.commandStatus, error.scsiStatus,
                          static_cast<int>(error.residualCount));
    case layout::kCissDataOverrun:
    case layout::kCissProtocolError:
    case layout::kCissHardwareError:
    case layout::kCissConnectionLost:
    case layout::kCissAborted:
    case layout::kCissAbortFailed:
    case layout::kCissUnsolicitedAbort:
    case layout::kCissUnabortable:
      return "";
    default:
      return StringPrintf(": %04xh", error.commandStatus);
  }
}

CissListDirection ListDirection(int direction) {
  if (direction == kDataIn) return kCissListDataIn;
  if (direction == kDataOut) return kCissListDataOut;
  return kCissListNoData;
}

void TransferLuns(ptstream& stream, std::vector<CissLun>& luns) {
  const std::size_t count = stream.TransferCount(luns.size(), 8);
  luns.resize(count);
  for (CissLun& lun : luns) stream.TransferBytes(lun.data(), lun.size());
}

}  // namespace

CissDevice::CissDevice(std::string name, bool makeUnique, std::uint16_t port)
    : BmicDevice(std::move(name), makeUnique, port), driver_(port) {}

CissDevice::CissDevice(std::string name, CissDevice& delegate, const CissLun& lun, bool sataAttached)
    : BmicDevice(std::move(name), true, delegate.driver_.PortNumber()),
      driver_(delegate.driver_.PortNumber()),
      delegate_(&delegate),
      sataAttached_(sataAttached),
      ownLun_(lun) {
  SetCaption(Translate("External Array Controller"));
}

CissDevice::CissDevice() = default;
CissDevice::~CissDevice() = default;

void CissDevice::Stream(ptstream& stream, bool writing, std::int32_t version) {
  BmicDevice::Stream(stream, writing, version);
  driver_.Stream(stream, writing, version);
  stream.TransferLink(delegate_);
  stream.Transfer(supported_);
  stream.Transfer(sataAttached_);
  stream.TransferBytes(ownLun_.data(), ownLun_.size());
  TransferLuns(stream, physicalLuns_);
  TransferLuns(stream, logicalLuns_);
  stream.Transfer(pciBus_);
  stream.Transfer(pciDevice_);
  stream.Transfer(pciFunction_);
  stream.Transfer(pciSlot_);
  stream.Transfer(serialNumber_);
  stream.Transfer(externalNumber_);
  stream.TransferLinkList(external_);
  stream.TransferLinkList(lunOwners_);
  TransferLuns(stream, ownerLuns_);
  ownerLuns_.resize(lunOwners_.size());
}

void CissDevice::Assign(const Persistent& other) {
  BmicDevice::Assign(other);
  const auto* source = dynamic_cast<const CissDevice*>(&other);
  if (source == nullptr) return;
  driver_.Assign(source->driver_);
  delegate_ = source->delegate_;
  supported_ = source->supported_;
  sataAttached_ = source->sataAttached_;
  ownLun_ = source->ownLun_;
  physicalLuns_ = source->physicalLuns_;
  logicalLuns_ = source->logicalLuns_;
  last_ = source->last_;
  pciBus_ = source->pciBus_;
  pciDevice_ = source->pciDevice_;
  pciFunction_ = source->pciFunction_;
  pciSlot_ = source->pciSlot_;
  serialNumber_ = source->serialNumber_;
  externalNumber_ = source->externalNumber_;
  external_ = source->external_;
  lunOwners_ = source->lunOwners_;
  ownerLuns_ = source->ownerLuns_;
  backplaneInquiry_ = source->backplaneInquiry_;
}

std::string CissDevice::ElementClass() const {
  const std::string own = Device::ElementClass();
  return own == "device" ? BmicDevice::ElementClass() : own;
}

std::uint8_t CissDevice::SendCissCommand(const CissLun& lun, const std::uint8_t* cdb, std::int32_t cdbLength,
                                         void* buffer, std::uint32_t length, int direction) {
  if (delegate_ != nullptr) return delegate_->SendCissCommand(lun, cdb, cdbLength, buffer, length, direction);
  if (!supported_) throw OruError("Controller is not supported", Name());

  CissCommandList list{};
  CissErrorInfo error{};
  list.tag = CissCommandList::kTag;
  std::memcpy(list.lunAddress, lun.data(), lun.size());
  list.cdbLength = static_cast<std::uint8_t>(std::clamp<std::int32_t>(cdbLength, 0, sizeof list.cdb));
  list.type = static_cast<std::uint8_t>(0 | 4 << 3 | ListDirection(direction) << 6);
  list.timeout = CissCommandList::kTimeoutSeconds;
  std::memcpy(list.cdb, cdb, list.cdbLength);
  list.errorDescriptor = reinterpret_cast<std::uintptr_t>(&error);
  list.errorDescriptorLength = sizeof error;
  // READ(10) and WRITE(10) move the whole buffer like every other command: a shorter transfer would
  // leave the buffer's tail unread or unwritten and every compare of it would fail.
  list.entries[0].address = reinterpret_cast<std::uintptr_t>(buffer);
  list.entries[0].length = buffer != nullptr ? length : 0;
  list.errorRecord = &error;
  driver_.Send(list);

  last_.cdb.fill(0);
  std::memcpy(last_.cdb.data(), list.cdb, list.cdbLength);
  last_.cdbLength = list.cdbLength;
  last_.scsiStatus = error.scsiStatus;
  std::memcpy(last_.sense.data(), error.senseData, last_.sense.size());

  if (error.commandStatus == layout::kCissSuccess || error.commandStatus == layout::kCissDataUnderrun)
    return error.scsiStatus;
  const char* word = error.commandStatus == layout::kCissTargetStatus
                         ? "Target Status"
                         : CommandStatusWord(error.commandStatus);
  throw OruError("CISS driver reported problem",
                 Name() + ": " + Translate(word) + StatusParticulars(error, list.cdb, list.cdbLength));
}

std::uint8_t CissDevice::SendToLun(const CissLun& lun, const std::uint8_t* cdb, std::int32_t cdbLength,
                                   void* buffer, std::uint32_t length, int direction) {
  Record().SetCdb(cdb, cdbLength);
  return SendCissCommand(lun, cdb, cdbLength, buffer, length, direction);
}

std::uint8_t CissDevice::SendCdb(const std::uint8_t* cdb, std::int32_t cdbLength, void* buffer,
                                 std::uint32_t length, int direction) {
  if (direction == kDataIn && buffer != nullptr) std::memset(buffer, 0, length);
  return SendToController(cdb, cdbLength, buffer, length, direction);
}

std::uint8_t CissDevice::SendToController(const std::uint8_t* cdb, std::int32_t cdbLength, void* buffer,
                                          std::uint32_t length, int direction) {
  return SendToLun(ownLun_, cdb, cdbLength, buffer, length, direction);
}

const CissLun* CissDevice::LunOf(const ScsiDevice& child) const {
  for (std::size_t i = 0; i < lunOwners_.size(); ++i)
    if (lunOwners_[i] == &child) return &ownerLuns_[i];
  // A volume holds its own LUN; its bus and target are no physical drive's.
  if (const auto* volume = dynamic_cast<const LogicalVolume*>(&child)) return &volume->LunAddress();
  const std::uint8_t bus = child.Record().path;
  const std::uint8_t target = child.Record().target;
  for (const CissLun& lun : physicalLuns_) {
    const CissLunAddress address = DecodePhysicalLun(lun);
    if (address.bus == bus && address.target == target) return &lun;
  }
  return nullptr;
}

std::uint8_t CissDevice::ForwardCdb(ScsiDevice& child, const std::uint8_t* cdb, std::int32_t cdbLength,
                                    void* buffer, std::uint32_t length, int direction) {
  const CissLun* lun = LunOf(child);
  if (lun == nullptr)
    throw OruError("Undefined SCSI adapter",
                   StringPrintf("Device=%s Opcode=0x%02x", child.Name().c_str(), cdb[0]));
  const std::uint8_t status = SendToLun(*lun, cdb, cdbLength, buffer, length, direction);
  ScsiCommandRecord& record = child.Record();
  record.status = status;
  record.sense.fill(0);
  std::copy(last_.sense.begin(), last_.sense.end(), record.sense.begin());
  return status;
}

void CissDevice::PciLocation(std::int32_t& bus, std::int32_t& device, std::int32_t& function) {
  // A controller behind another one has no PCI function of its own.
  if (delegate_ == nullptr) driver_.PciLocation(bus, device, function);
}

void CissDevice::SendBmicCommand(std::uint8_t code, void* buffer, std::uint32_t length,
                                 std::uint32_t parameter, std::uint16_t, std::uint8_t unit, int direction) {
  std::uint8_t cdb[10] = {};
  cdb[0] = code == 0xA0 || code == 0x17 ? layout::kBmicReadCdb : layout::kBmicWriteCdb;
  cdb[1] = unit;
  layout::Put32(cdb, 2, parameter);
  cdb[6] = code;
  cdb[7] = static_cast<std::uint8_t>(length >> 8);
  cdb[8] = static_cast<std::uint8_t>(length);
  if (direction == kDataIn && buffer != nullptr) std::memset(buffer, 0, length);
  SendToController(cdb, sizeof cdb, buffer, length, direction);
}

void CissDevice::SetBackgroundTasks(bool enable) {
  const std::uint8_t cdb[10] = {layout::kBmicWriteCdb,
                                0,
                                0,
                                0,
                                0,
                                0,
                                enable ? command::kBackgroundEnable : command::kBackgroundDisable,
                                0,
                                0,
                                0};
  const std::uint8_t status = SendToController(cdb, sizeof cdb, nullptr, 0, kNoData);
  DebugPrint(
      enable ? "Enable Sense Byte back looks like 0x%02x \n" : "Disable Sense Byte back looks like 0x%02x \n",
      status);
}

std::unique_ptr<LogicalVolume> CissDevice::MakeVolume(std::uint8_t logicalDrive, std::string name) {
  CissLun lun{};
  layout::Put32(lun.data(), 0, 0x40000000u | logicalDrive);
  return std::make_unique<LogicalVolume>(*this, logicalDrive, logicalDrive, lun, std::move(name));
}

std::uint8_t CissDevice::SendVendorCommand(std::uint8_t subFunction, std::uint8_t argument, bool readCdb,
                                           void* buffer, std::uint32_t length, int direction) {
  std::uint8_t cdb[10] = {};
  cdb[0] = readCdb ? layout::kBmicReadCdb : layout::kBmicWriteCdb;
  cdb[6] = command::kVendor;
  cdb[8] = subFunction;
  cdb[9] = argument;
  if (direction == kDataIn && buffer != nullptr && length != 0) std::memset(buffer, 0, length);
  return SendToController(cdb, sizeof cdb, buffer, length, direction);
}

void CissDevice::ReadWriteI2CDevice(std::uint8_t address, void* buffer, std::uint32_t length, bool write) {
  DebugPrint("CissDevice::ReadWriteI2CDevice() -- %s I2C device at %02x, buffer size= %d\n",
             write ? "writting" : "reading", address, static_cast<int>(length));
  std::uint8_t cdb[10] = {};
  cdb[0] = write ? layout::kBmicWriteCdb : layout::kBmicReadCdb;
  cdb[6] = command::kVendor;
  cdb[8] = layout::kVendorI2cAccess;
  cdb[9] = address;
  if (write && arrayboards::IsStorageBoxBoard(BoardId()))
    layout::Put16(cdb, layout::kVendorI2cWriteLength, static_cast<std::uint16_t>(length));
  if (!write && buffer != nullptr && length != 0) std::memset(buffer, 0, length);
  SendToController(cdb, sizeof cdb, buffer, length, write ? kDataOut : kDataIn);
}

void CissDevice::StartDiagnostic(std::uint8_t group, std::uint16_t code, std::uint16_t argument) {
  std::uint8_t data[layout::kDiagStartSize] = {};
  data[0] = group;
  layout::Put16(data, 2, code);
  layout::Put16(data, 4, argument);
  SendVendorCommand(layout::kVendorDiagStart, 1, false, data, sizeof data, kDataOut);
}

std::vector<std::uint8_t> CissDevice::ReadSesNvram(std::uint8_t region) {
  std::vector<std::uint8_t> data(layout::sesnvram::kReadSize, 0);
  SendVendorCommand(layout::kVendorSesNvram, region, true, data.data(), layout::sesnvram::kReadSize, kDataIn);
  return data;
}

void CissDevice::WriteSesNvram(std::uint8_t region, std::uint16_t offset,
                               const std::vector<std::uint8_t>& bytes) {
  namespace sn = layout::sesnvram;
  for (std::size_t done = 0; done < bytes.size();) {
    const std::size_t count = std::min(sn::kDataMost, bytes.size() - done);
    std::uint8_t record[sn::kWriteSize] = {};
    layout::Put16(record, sn::kOffset, static_cast<std::uint16_t>(offset + done));
    record[sn::kCount] = static_cast<std::uint8_t>(count);
    std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(done), count, record + sn::kData);
    SendVendorCommand(layout::kVendorSesNvram, region, false, record, sn::kWriteSize, kDataOut);
    done += count;
  }
}

std::vector<std::uint8_t> CissDevice::DiagnosticResult() {
  std::vector<std::uint8_t> result(layout::kDiagResultSize, 0);
  SendVendorCommand(layout::kVendorDiagResult, 0, false, result.data(),
                    static_cast<std::uint32_t>(result.size()), kDataIn);
  return result;
}

std::array<std::uint8_t, 2> CissDevice::DiagnosticRomVersion() {
  std::array<std::uint8_t, 2> version{};
  SendVendorCommand(layout::kVendorDiagRomVersion, 0, true, version.data(), 2, kDataIn);
  return version;
}

std::vector<std::uint8_t> CissDevice::ReadVendorReply(std::uint8_t subFunction, bool readCdb,
                                                      std::size_t size) {
  std::vector<std::uint8_t> reply(size, 0);
  SendVendorCommand(subFunction, 0, readCdb, reply.data(), static_cast<std::uint32_t>(size), kDataIn);
  return reply;
}

std::vector<std::uint8_t> CissDevice::StorageBoxVersion() {
  return ReadVendorReply(layout::kVendorStorageBoxVersion, false, layout::storageboxversion::kSize);
}

std::vector<std::uint8_t> CissDevice::CpldVersion() {
  return ReadVendorReply(layout::kVendorCpldVersion, false, layout::cpldversion::kSize);
}

std::vector<std::uint8_t> CissDevice::PicBatteryInformation() {
  return ReadVendorReply(layout::kVendorPicBattery, true, layout::picbattery::kSize);
}

std::vector<std::uint8_t> CissDevice::WorldWideNames() {
  return ReadVendorReply(layout::kVendorWorldWideNames, true, layout::worldwidenames::kSize);
}

std::vector<std::uint8_t> CissDevice::AsicRevisions() {
  return ReadVendorReply(layout::kVendorAsicRevisions, false, layout::asicrevisions::kSize);
}

std::uint8_t CissDevice::IdentifyByte(std::size_t offset) const {
  return offset < IdentifyReply().size() ? IdentifyReply()[offset] : 0;
}

std::vector<CissLun> CissDevice::ReadLunList(std::uint8_t opcode) {
  std::vector<std::uint8_t> reply(layout::kLunListSize, 0);
  std::uint8_t cdb[12] = {opcode};
  if (opcode == layout::kReportPhysicalLuns) cdb[8] = 0x30;
  SendToController(cdb, sizeof cdb, reply.data(), static_cast<std::uint32_t>(reply.size()), kDataIn);
  const std::uint32_t bytes =
      static_cast<std::uint32_t>(reply[0]) << 24 | reply[1] << 16 | reply[2] << 8 | reply[3];
  const std::size_t entries = std::min<std::size_t>(bytes / 8, layout::kLunListMaxEntries);
  std::vector<CissLun> luns;
  for (std::size_t i = 0; i < entries; ++i) {
    CissLun lun;
    std::copy_n(reply.begin() + 8 + 8 * i, 8, lun.begin());
    if (std::all_of(lun.begin(), lun.end(), [](std::uint8_t b) { return b == 0; })) break;
    luns.push_back(lun);
  }
  return luns;
}

std::vector<std::uint8_t> CissDevice::InquiryLun(const CissLun& lun, bool ataIdentify) {
  std::vector<std::uint8_t> reply(kInquiryLength, kInquiryFill);
  static constexpr std::uint8_t kInquiry[6] = {0x12, 0, 0, 0, 240, 0};
  static constexpr std::uint8_t kAtaIdentify[12] = {0xC6, 0x01, 0xEC, 0x03, 0x01, 0x01,
                                                    0x00, 0x00, 0xA0, 0x00, 0x00, 0x01};
  if (ataIdentify)
    SendToLun(lun, kAtaIdentify, sizeof kAtaIdentify, reply.data(), kInquiryLength, kDataIn);
  else
    SendToLun(lun, kInquiry, sizeof kInquiry, reply.data(), kInquiryLength, kDataIn);
  return reply;
}

void CissDevice::IdentifyCiss(const XmlObject& pciSummary) {
  Identify();
  serialNumber_ = ReplyText(IdentifyReply(), controller::kSerialNumber, controller::kSerialNumberSize);
  PciLocation(pciBus_, pciDevice_, pciFunction_);
  physicalLuns_ = ReadLunList(layout::kReportPhysicalLuns);
  ReadSlot(pciSummary);
}

void CissDevice::ReadSlot(const XmlObject& pciSummary) {
  pciSlot_ = Slot();
  if (delegate_ != nullptr || pciFunction_ < 0) return;
  const XmlObject* entry = pciSummary.SelectSingleNode(
      StringPrintf("structure[@bus='%d' @device='%d' @function='%d']", pciBus_, pciDevice_, pciFunction_));
  if (entry != nullptr) {
    DebugPrint("Found match %d, %d, %d\n", pciBus_, pciDevice_, pciFunction_);
    pciSlot_ = ToInt(entry->GetAttribute("slotNumber"));
    DebugPrint("Assigning pCiss->PciSlot = %d in DoID\n", pciSlot_);
  }
  if (const std::optional<int> slot = ApplySlotOverride(pciBus_)) pciSlot_ = *slot;
}

void CissDevice::AddChild(DiscoveryContext& context, CissDevice& owner, std::unique_ptr<ScsiDevice> device,
                          const CissLun& lun, const char* role) {
  const std::string caption = device->Caption();
  ScsiDevice* raw = device.get();
  const std::shared_ptr<Device> added = context.Add(std::move(device), false);
  if (added == nullptr) return;
  owner.lunOwners_.push_back(raw);
  owner.ownerLuns_.push_back(lun);
  owner.KeepChild(*added);
  added->AddInterface(Interface(owner.Name(), "Array Controller", owner.Caption(), Interface::kParent));
  owner.AddInterface(Interface(added->Name(), role, caption, Interface::kChild));
}

void CissDevice::DiscoverChildren(DiscoveryContext& context) {
  DiscoverExternalControllers(context);
  DiscoverPhysicalLuns(context);
  DiscoverVolumes(context);
}

void CissDevice::DiscoverExternalControllers(DiscoveryContext& context) {
  for (const CissLun& lun : physicalLuns_) {
    std::vector<std::uint8_t> inquiry;
    try {
      inquiry = InquiryLun(lun, false);
    } catch (const OruError&) {
      continue;
    }
    if ((inquiry[0] & 0x1F) != kTypeStorageController) continue;
    const bool sata = std::search(inquiry.begin(), inquiry.begin() + 96, std::begin("SATA BULK"),
                                  std::end("SATA BULK") - 1) != inquiry.begin() + 96;
    auto nested = std::make_unique<CissDevice>("cissController", *this, lun, sata);
    nested->externalNumber_ = static_cast<std::uint32_t>(external_.size() + 1);
    try {
      nested->IdentifyCiss(context.PciSummary());
    } catch (const OruError& error) {
      DebugPrint("%s: external controller: %s %s\n", Name().c_str(), error.Message().c_str(),
                 error.Detail().c_str());
      continue;
    }
    const std::shared_ptr<Device> added = context.Add(std::move(nested), false);
    if (auto* made = dynamic_cast<CissDevice*>(added.get())) {
      external_.push_back(made);
      made->AddInterface(Interface(Name(), "Array Controller", Caption(), Interface::kParent));
      AddInterface(Interface(made->Name(), "External Array Controller", made->Caption(), Interface::kChild));
    }
  }
}

void CissDevice::DiscoverPhysicalLuns(DiscoveryContext& context) {
  // The devices after an external controller's own LUN are behind that controller.
  CissDevice* owner = this;
  std::size_t taken = 0;
  for (const CissLun& lun : physicalLuns_) {
    const CissLunAddress address = DecodePhysicalLun(lun);
    const std::string childName =
        Name() + StringPrintf("d%x%x", layout::Get32(lun.data(), 0), layout::Get32(lun.data(), 4));
    DebugPrint("LUN = %02X %02X %02X %02X %02X %02X %02X %02X\n", lun[0], lun[1], lun[2], lun[3], lun[4],
               lun[5], lun[6], lun[7]);
    DebugPrint("Bus=%04X DevID=%04X\n", address.bus, address.target);
    // An external controller's own LUN is known from the pass before: it is not asked again, which
    // behind a SATA-attached controller would be with the ATA identify its disks take.
    if (taken < external_.size() && external_[taken]->ownLun_ == lun) {
      owner = external_[taken++];
      continue;
    }
    try {
      const bool sata = owner->sataAttached_;
      const std::vector<std::uint8_t> inquiry = InquiryLun(lun, sata);
      const std::uint8_t type = inquiry[0] & 0x1F;
      const auto target = static_cast<std::uint8_t>(address.target);
      if (sata || type == kTypeDisk || type == kTypeSimplifiedDisk) {
        const std::string name = owner->NamePhysicalDrive(address.bus, target);
        std::unique_ptr<RaidDisk> disk =
            sata ? std::make_unique<SATARaidDisk>("scsiDisk", *owner, address.bus, target, name)
                 : std::make_unique<RaidDisk>("scsiDisk", *owner, address.bus, target, name);
        AddChild(context, *owner, std::move(disk), lun, "Physical Drive");
      } else if (type == kTypeTape) {
        auto tape = std::make_unique<ScsiTape>(inquiry[56] != 0 ? "scsiTape" : "sasTape", true, nullptr,
                                               address.bus, target, 0);
        tape->SetParentAdapter(owner);
        tape->SetElementClass(inquiry[56] != 0 ? "scsiTape" : "sasTape");
        tape->SetTapeNumber(context.NextDriveNumber(DiscoveryContext::DriveKind::kTape));
        AddChild(context, *owner, std::move(tape), lun, "Physical Drive");
      } else if (type == kTypeProcessor || type == kTypeStorageController) {
        DebugPrint("%s: backplane\n", childName.c_str());
        if (backplaneInquiry_.empty())
          backplaneInquiry_.assign(inquiry.begin() + 8, inquiry.begin() + 8 + kBackplaneIdentity);
        AddChild(context, *owner, MakeBackplane(*owner, address.bus, target, inquiry), lun, "Backplane");
      } else {
        throw OruError("Device reported problem",
                       Translate("Unknown device type") + StringPrintf(" (%xh) : ", type) + childName);
      }
    } catch (const OruError& error) {
      DebugPrint("%s: %s %s\n", childName.c_str(), error.Message().c_str(), error.Detail().c_str());
    }
  }
}

std::vector<CissLun> CissDevice::ReadLogicalLuns() {
  return ReadLunList(layout::kReportLogicalLuns);
}

std::unique_ptr<LogicalVolume> CissDevice::FindNewVolume(const std::vector<CissLun>& before) {
  for (const CissLun& lun : ReadLogicalLuns()) {
    const std::uint32_t word = layout::Get32(lun.data(), 0);
    if (word >> 30 != 1 || std::find(before.begin(), before.end(), lun) != before.end()) continue;
    const std::uint32_t number = word & 0x3FFFFFFF;
    auto volume = std::make_unique<LogicalVolume>(*this, static_cast<std::uint8_t>(word), number, lun,
                                                  Name() + StringPrintf("v%x", number));
    volume->Refresh();
    volume->SetCaption(volume->DisplayNameText());
    return volume;
  }
  throw OruError("Volume Not Found", Name());
}

void CissDevice::DiscoverVolumes(DiscoveryContext& context) {
  try {
    logicalLuns_ = ReadLogicalLuns();
  } catch (const OruError& error) {
    DebugPrint("%s: logical LUNs: %s %s\n", Name().c_str(), error.Message().c_str(), error.Detail().c_str());
    logicalLuns_.clear();
  }
  for (const CissLun& lun : logicalLuns_) {
    const std::uint32_t word = layout::Get32(lun.data(), 0);
    if (word >> 30 != 1) continue;
    const bool held = std::any_of(LogicalVolumes().begin(), LogicalVolumes().end(),
                                  [&](const LogicalVolume* volume) { return volume->LunAddress() == lun; });
    if (held) continue;
    auto volume = std::make_unique<LogicalVolume>(*this, static_cast<std::uint8_t>(word), word & 0x3FFFFFFF,
                                                  lun, Name() + StringPrintf("v%x", word));
    try {
      volume->Refresh();
    } catch (const OruError& error) {
      DebugPrint("%s: volume %x: %s %s\n", Name().c_str(), word, error.Message().c_str(),
                 error.Detail().c_str());
      continue;
    }
    volume->SetCaption(volume->DisplayNameText());
    AddChild(context, *this, std::move(volume), lun, "Logical Volume");
  }
}

std::string CissDevice::DisplayName() {
  if (delegate_ != nullptr)
    return Translate("External Array Controller") + StringPrintf(" %u", externalNumber_);
  return Translate("Array Controller") + ", " + ModelText() + ", " + Translate("Slot") +
         StringPrintf(" %d", pciSlot_);
}

void CissDevice::DescribeProperties(XmlObject& element, bool catalogRequest) {
  if (catalogRequest) {
    OfferCissTests(element, CissTestList(CissBoardFacts{.allTests = true}));
    return;
  }
  BmicDevice::DescribeProperties(element, false);
  SetCaption(DisplayName());
  element.SetAttribute("caption", Caption());
  element.AddProperty("SerialNumber", Translate("Serial Number"), serialNumber_);
  element.AddProperty("PciBus", Translate("PCI Bus"), StringPrintf("%d", pciBus_));
  element.AddProperty("PciDevice", Translate("PCI Device Number"), StringPrintf("%d", pciDevice_));
  element.AddProperty("PciFunction", Translate("PCI Function Number"), StringPrintf("%d", pciFunction_));
  element.AddProperty("PciSlot", Translate("PCI Slot Number"), StringPrintf("%d", pciSlot_));
  if (!IsSasController()) return;
  CissDiscoveryInfo(*this).Describe(element);
  CissBoardFacts facts;
  facts.board = BoardId();
  facts.supported = supported_;
  facts.installedMemory = IdentifyByte(controller::kInstalledMemory);
  facts.totalMemory = IdentifyByte(controller::kTotalMemory);
  facts.sgpioBackplanes = !backplaneInquiry_.empty();
  OfferCissTests(element, CissTestList(facts));
}

void CissDevice::OfferCissTests(XmlObject& element, const std::vector<CissTestEntry>& list) {
  OfferTestEntries(*this, element, list);
}

}  // namespace rb
