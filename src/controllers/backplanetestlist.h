#pragma once

// The tests the backplanes offer, in their order, as configured instances (class, internal name,
// caption, codes) like a CISS controller's list: the SES backplane behind a CISS controller and the
// processor-device backplane of a controller bus.

#include <vector>

#include "controllers/cisstestlist.h"

namespace rb {

class Device;
class XmlObject;

std::vector<CissTestEntry> CissBackPlaneTestList();
// LEDTest, AlarmPageTest and ChassisSerialNumberTest for a backplane that keeps a chassis serial number.
std::vector<CissTestEntry> BackplaneTestList(bool chassisSerial);
// Makes and offers each entry whose class is part of the component.
void OfferTestEntries(Device& device, XmlObject& element, const std::vector<CissTestEntry>& list);

}  // namespace rb
