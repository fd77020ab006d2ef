#include "platform/sim/simmachine.h"

#include <cctype>
#include <charconv>
#include <stdexcept>
#include <utility>

#include "platform/os.h"
#include "support/stringutil.h"
#include "support/wholefile.h"

namespace os {

namespace {

[[noreturn]] void RejectFile(const std::string& path, const std::string& problem) {
  throw MachineError("machine description '" + path + "': " + problem);
}

// The whole file, read through the native backend: the process-wide backend may be the very machine
// being loaded.
std::string ReadDescription(const std::string& path) {
  rb::WholeFile file = rb::ReadWholeFile(path, rb::kDescriptionFileBytes, false, &Native());
  switch (file.status) {
    case rb::WholeFile::Status::kRead:
      return std::move(file.bytes);
    case rb::WholeFile::Status::kMissing:
      RejectFile(path, "cannot open (error " + std::to_string(Native().GetLastError()) + ")");
    case rb::WholeFile::Status::kRefused:
    case rb::WholeFile::Status::kFailed:
      break;
  }
  RejectFile(path, file.problem);
}

}  // namespace

SimMachine::SimMachine(std::string path, rb::XmlObject description)
    : path_(std::move(path)), description_(std::move(description)) {}

void SimMachine::Reject(const std::string& problem) const {
  RejectFile(path_, problem);
}

std::uint64_t SimMachine::Number(const rb::XmlObject& element, std::string_view attribute,
                                 std::uint64_t max) const {
  const rb::XmlAttribute* found = element.FindAttribute(attribute);
  const std::string where = "<" + element.Name() + "> attribute '" + std::string(attribute) + "'";
  if (found == nullptr) Reject(where + " is missing");
  const std::string& text = found->value;
  std::string_view digits = text;
  int base = 10;
  if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
    digits.remove_prefix(2);
    base = 16;
  }
  std::uint64_t value = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value, base);
  if (digits.empty() || error != std::errc() || end != digits.data() + digits.size())
    Reject(where + " is not a number: '" + text + "'");
  if (value > max) Reject(where + " is above " + std::to_string(max) + ": '" + text + "'");
  return value;
}

std::vector<std::uint8_t> SimMachine::HexBytes(const std::string& what, const std::string& hex) const {
  std::vector<std::uint8_t> bytes;
  std::string digits;
  for (char c : hex)
    if (!std::isspace(static_cast<unsigned char>(c))) digits += c;
  if (digits.size() % 2 != 0) Reject(what + " '" + hex + "' has an odd number of digits");
  if (digits.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
    Reject(what + " '" + hex + "' is not hexadecimal");
  for (std::size_t i = 0; i < digits.size(); i += 2)
    bytes.push_back(static_cast<std::uint8_t>(std::stoul(digits.substr(i, 2), nullptr, 16)));
  return bytes;
}

SimMachine SimMachine::Load(const std::string& path) {
  const std::string text = ReadDescription(path);
  if (text.empty()) RejectFile(path, "the file is empty");
  rb::XmlObject root;
  try {
    root = rb::XmlObject(text);
  } catch (const std::runtime_error& error) {
    RejectFile(path, error.what());
  }
  if (root.Name().empty()) RejectFile(path, "there is no root element");
  if (!rb::EqualsNoCase(root.Name(), "machine"))
    RejectFile(path, "the root element is '" + root.Name() + "', not 'machine'");
  return SimMachine(path, std::move(root));
}

}  // namespace os
