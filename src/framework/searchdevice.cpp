#include "framework/searchdevice.h"

namespace rb {

void SearchDevice::Stream(ptstream&, bool, std::int32_t) {}

void SearchDevice::DescribeProperties(XmlObject&, bool) {}

}  // namespace rb
