#include "platform/sim/array/simcontrollersignals.h"

#include <algorithm>
#include <cstdlib>
#include <sstream>
#include <string>

#include "controllers/arraylayouts.h"
#include "platform/sim/simmachine.h"
#include "support/stringutil.h"
#include "support/xmlobject.h"

namespace os {

namespace {

namespace sig = rb::arraylayout::signals;
namespace layout = rb::arraylayout;

// Hex digits into `count` bytes, most significant first.
std::vector<std::uint8_t> HexBytes(const SimMachine& machine, const std::string& text, std::size_t count,
                                   const char* what) {
  std::vector<std::uint8_t> bytes;
  if (text.size() != 2 * count) machine.Reject(rb::StringPrintf("<signals> %s needs %d hex digits", what,
                                                                static_cast<int>(2 * count)));
  for (std::size_t i = 0; i < count; ++i) {
    char* end = nullptr;
    const std::string pair = text.substr(2 * i, 2);
    const unsigned long value = std::strtoul(pair.c_str(), &end, 16);
    if (end != pair.c_str() + 2) machine.Reject(rb::StringPrintf("<signals> %s is not hexadecimal", what));
    bytes.push_back(static_cast<std::uint8_t>(value));
  }
  return bytes;
}

std::vector<std::uint8_t> Words(const SimMachine& machine, const std::string& text, std::size_t count,
                                std::size_t width, const char* what) {
  std::vector<std::uint8_t> bytes;
  std::istringstream words(text);
  std::string word;
  while (words >> word) {
    const std::vector<std::uint8_t> one = HexBytes(machine, word, width, what);
    bytes.insert(bytes.end(), one.begin(), one.end());
  }
  if (bytes.size() != count * width)
    machine.Reject(rb::StringPrintf("<signals> %s needs %d values", what, static_cast<int>(count)));
  return bytes;
}

void Put(std::vector<std::uint8_t>& reply, std::size_t offset, const std::vector<std::uint8_t>& bytes) {
  if (reply.size() < offset + bytes.size()) reply.resize(offset + bytes.size(), 0);
  std::copy(bytes.begin(), bytes.end(), reply.begin() + static_cast<std::ptrdiff_t>(offset));
}

}  // namespace

SimControllerSignals::SimControllerSignals()
    : picLine_(sig::kPicLineHigh),
      phyMap_(sig::kPhyMapSize, 0),
      expanderPhyMap_(sig::kPhyMapSize, 0),
      wwns_((1 + sig::kExpanders) * sig::kWwnSize, 0),
      psoc_(2 * sig::kPsocs, 0) {}

void SimControllerSignals::Read(const SimMachine& machine, const rb::XmlObject& element) {
  const std::string line = element.GetAttribute("picLine", "high");
  if (rb::EqualsNoCase(line, "high"))
    picLine_ = sig::kPicLineHigh;
  else if (rb::EqualsNoCase(line, "low"))
    picLine_ = sig::kPicLineLow;
  else
    picLine_ = static_cast<std::uint8_t>(machine.Number(element, "picLine", 255));
  if (element.FindAttribute("eccCount"))
    eccCount_ = static_cast<std::uint32_t>(machine.Number(element, "eccCount", 0xFFFFFFFF));
  if (element.FindAttribute("linkWidth"))
    linkWidth_ = static_cast<std::uint8_t>(machine.Number(element, "linkWidth", 32));
  if (element.FindAttribute("phyMap"))
    phyMap_ = HexBytes(machine, element.GetAttribute("phyMap"), sig::kPhyMapSize, "phyMap");
  if (element.FindAttribute("expanderPhyMap"))
    expanderPhyMap_ = HexBytes(machine, element.GetAttribute("expanderPhyMap"), sig::kPhyMapSize, "expanderPhyMap");
  if (element.FindAttribute("wwn")) Put(wwns_, 0, HexBytes(machine, element.GetAttribute("wwn"), sig::kWwnSize, "wwn"));
  if (element.FindAttribute("expanderWwns"))
    Put(wwns_, sig::kWwnSize,
        Words(machine, element.GetAttribute("expanderWwns"), sig::kExpanders, sig::kWwnSize, "expanderWwns"));
  if (element.FindAttribute("psoc")) {
    std::istringstream words(element.GetAttribute("psoc"));
    std::string word;
    psoc_.clear();
    while (words >> word) {
      unsigned major = 0, minor = 0;
      char dot = 0;
      std::istringstream version(word);
      if (!(version >> major >> dot >> minor) || dot != '.' || major > 255 || minor > 255)
        machine.Reject("<signals> psoc versions are major.minor");
      psoc_.push_back(static_cast<std::uint8_t>(major));
      psoc_.push_back(static_cast<std::uint8_t>(minor));
    }
    if (psoc_.size() != 2 * sig::kPsocs) machine.Reject("<signals> psoc needs four versions");
  }
  for (const rb::XmlObject* gauge : element.GetChildren("gauge")) {
    std::vector<std::uint8_t> part(sig::kGaugeSize, 0);
    part[sig::kGaugeStatus] = static_cast<std::uint8_t>(machine.Number(*gauge, "status", 255));
    part[sig::kGaugeLoadCurrent] = static_cast<std::uint8_t>(machine.Number(*gauge, "loadCurrent", 255));
    gauges_.emplace_back(static_cast<std::uint8_t>(machine.Number(*gauge, "address", 255)), std::move(part));
  }
}

void SimControllerSignals::Overlay(std::uint8_t subFunction, std::vector<std::uint8_t>& reply) const {
  switch (subFunction) {
    case layout::kVendorPicBattery: {
      std::vector<std::uint8_t> ecc(4);
      for (int i = 0; i < 4; ++i) ecc[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(eccCount_ >> (8 * i));
      Put(reply, sig::kPicInterruptLine, {picLine_});
      Put(reply, sig::kEccCount, ecc);
      break;
    }
    case layout::kVendorAsicRevisions:
      Put(reply, sig::kLinkWidth, {linkWidth_});
      Put(reply, sig::kControllerPhyMap, phyMap_);
      Put(reply, sig::kExpanderPhyMap, expanderPhyMap_);
      break;
    case layout::kVendorWorldWideNames:
      Put(reply, sig::kControllerWwn, wwns_);
      break;
    case layout::kVendorStorageBoxVersion:
      Put(reply, sig::kPsocVersions, psoc_);
      break;
    default:
      break;
  }
}

bool SimControllerSignals::Reply(std::uint8_t subFunction, SimScsiCommand& command) const {
  std::size_t size = 0;
  switch (subFunction) {
    case layout::kVendorPicBattery:
      size = sig::kPicBatterySize;
      break;
    case layout::kVendorAsicRevisions:
      size = sig::kAsicRevisionsSize;
      break;
    case layout::kVendorWorldWideNames:
      size = sig::kWorldWideNamesSize;
      break;
    case layout::kVendorStorageBoxVersion:
      size = layout::kStorageBoxVersionSize;
      break;
    default:
      return false;
  }
  std::vector<std::uint8_t> reply(size, 0);
  Overlay(subFunction, reply);
  command.Answer(reply, command.dataLength);
  command.transferred = command.dataLength;
  return true;
}

std::vector<std::uint8_t>* SimControllerSignals::Gauge(std::uint8_t address) {
  for (auto& [at, part] : gauges_)
    if (at == address) return &part;
  return nullptr;
}

}  // namespace os
