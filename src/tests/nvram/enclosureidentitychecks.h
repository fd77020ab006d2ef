#pragma once

// The enclosure identity checks of SESNVRAMTest, each raising OruError with its text: the chassis
// serial number (verified, or entered by the operator, written and read back), the expander PHY
// attributes compared with the expected values, and the product identifier entered by the operator,
// written and read back.

#include <cstdint>
#include <vector>

namespace rb {

class NvramPart;
class ParameterList;
class Test;

void AddSerialNumberParameters(ParameterList& list);
void CheckSerialNumber(Test& test, ParameterList& list, NvramPart& part);

void AddExpanderPhyParameters(ParameterList& list);
void CheckExpanderPhys(ParameterList& list, const std::vector<std::uint8_t>& part);

void AddProductIdParameters(ParameterList& list);
void CheckProductId(Test& test, ParameterList& list, NvramPart& part);

}  // namespace rb
