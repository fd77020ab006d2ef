#pragma once

// The checks the controller's and the enclosure's NVRAM tests share, each raising OruError with its
// text: the checksum, the assembly code and the automatic revision compared with the parameters that
// ask for them, and the part's display.

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace rb {

class ParameterList;
class NvramPart;
class Test;

// "verChecksum", "assemblyCode", "autoRev" (and "display", added last by AddDisplayParameter).
void AddFieldCheckParameters(ParameterList& list);
void AddDisplayParameter(ParameterList& list);
// Checksum, assembly code, auto rev: each when its parameter asks for it, in that order.
void CheckNvramFields(ParameterList& list, const std::vector<std::uint8_t>& part);
// The part's bytes as "%02X " lines, when "display" asks for it.
void DisplayNvram(ParameterList& list, const std::vector<std::uint8_t>& part, std::ostream& out);

// Programs `part` with `content` from byte 0 (the part's other bytes kept): refuses an image whose
// checksum is bad, asks "Are you sure you want to program this part?" (anything but the confirming
// answer raises) and answers the file that keeps the part's earlier image.
std::string ProgramPart(Test& test, NvramPart& part, const std::vector<std::uint8_t>& content);

}  // namespace rb
