#pragma once

// A simulated SES enclosure behind a CISS controller, declared as a child of the controller's <port>
// and reached with the controller's enclosure access CDB (BMIC 42h, sub-function 80h). Every reply
// follows src/controllers/seslayouts.h.
//
// <sesEnclosure [handle="0x100"] [vendor= product= revision= version=] [failPages="0x12 0x10"]>
//   Accesses to the pages listed in failPages complete with CHECK CONDITION. Children, each element
//   with optional raw overrides status="n" (the status code) and byte3="0x.." (status byte 3):
//   <firmware kind="sep|bpm|fcm|hmm|ssd|micro" revision="0110"/>   a diagnostic inquiry descriptor
//   <temperature value="38" [fault="overWarning|overFailure|underWarning|underFailure"]/>
//   <fan speed="560" [code="3"] [fault="failed|off"]/>
//   <powerSupply [fault="missing|failed|acFailure|dcFailure|overVoltage|underVoltage|overCurrent"]/>
//   <current milliamps="1500"/>                           a current sensor (the load current)
//   <slots count="8" [type="0x17"]/>                       device slots whose LEDs page 13h sets
//   <expander wwn="0x5001..." [vendorId= asicId= asicRevision=] [phys="0 1 2 - 3"]/>   "-" unattached
//   <buffer id="5" (text="..." | hex="..") [size="n"]/>    an enclosure buffer, read and written

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace rb {
class XmlObject;
}

namespace os {

class SimMachine;
struct SimScsiCommand;

class SimSesEnclosure {
 public:
  using Record = std::array<std::uint8_t, 4>;

  SimSesEnclosure(const SimMachine& machine, const rb::XmlObject& element, std::uint16_t defaultHandle);

  std::uint16_t Handle() const { return handle_; }
  // One access to this enclosure (pages 10h to 13h).
  void Access(SimScsiCommand& command);
  // The control record page 13h last set on element `number` of `type`; null for no such element.
  const Record* Control(std::uint8_t type, std::size_t number) const;
  // The controller's SES NVRAM access (BMIC 42h sub-function DEh): the region is the buffer of that id.
  void NvramRegion(SimScsiCommand& command);
  // Whether a slot's identify (locate) and fault LEDs are on.
  bool SlotIdentify(std::size_t slot) const;
  bool SlotFault(std::size_t slot) const;

 private:
  struct Element {
    Record status{};
    Record control{};
  };
  void Buffer(SimScsiCommand& command);
  void ElementQuery(SimScsiCommand& command) const;
  void SetElement(SimScsiCommand& command);
  std::vector<std::uint8_t> ConfigurationPage() const;
  std::vector<std::uint8_t> StatusPage() const;
  const Element* SlotElement(std::size_t slot) const;

  std::uint16_t handle_;
  std::string vendor_;
  std::string product_;
  std::string revision_;
  std::vector<std::uint8_t> failPages_;
  std::uint8_t slotType_ = 0;
  // The elements by type, in the order of the type codes: the configuration page's order.
  std::map<std::uint8_t, std::vector<Element>> elements_;
  std::map<std::uint16_t, std::vector<std::uint8_t>> buffers_;
  std::size_t expanders_ = 0;
};

// The controller's side of enclosure access: discovery (page 0, argument 6) answered from the
// enclosures, every other page routed to the enclosure the CDB's handle names.
void SimSesAccess(std::vector<std::unique_ptr<SimSesEnclosure>>& enclosures, SimScsiCommand& command);

}  // namespace os
