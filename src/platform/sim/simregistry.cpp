#include "platform/sim/simregistry.h"

#include <cstring>

#include "platform/sim/simmachine.h"
#include "support/stringutil.h"

namespace os {

namespace {

std::vector<std::uint8_t> HexData(const SimMachine& machine, const std::string& hex) {
  std::vector<std::uint8_t> bytes;
  if (hex.size() % 2 != 0) machine.Reject("<value> data '" + hex + "' has an odd number of digits");
  for (std::size_t i = 0; i < hex.size(); i += 2) {
    const std::string digits = hex.substr(i, 2);
    if (digits.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
      machine.Reject("<value> data '" + hex + "' is not hexadecimal");
    bytes.push_back(static_cast<std::uint8_t>(std::stoul(digits, nullptr, 16)));
  }
  return bytes;
}

}  // namespace

SimRegistry::Value SimRegistry::Value::Text(std::string name, const std::string& text) {
  Value value{std::move(name), win::REG_SZ, std::vector<std::uint8_t>(text.begin(), text.end())};
  value.data.push_back(0);
  return value;
}

SimRegistry::Value SimRegistry::Value::Dword(std::string name, std::uint32_t number) {
  Value value{std::move(name), win::REG_DWORD, std::vector<std::uint8_t>(4)};
  std::memcpy(value.data.data(), &number, 4);  // little-endian, as REG_DWORD is stored
  return value;
}

win::DWORD SimRegistry::TypeCode(const SimMachine& machine, const rb::XmlObject& element) {
  static const std::pair<const char*, win::DWORD> kTypes[] = {
      {"REG_NONE", win::REG_NONE},     {"REG_SZ", win::REG_SZ},       {"REG_EXPAND_SZ", win::REG_EXPAND_SZ},
      {"REG_BINARY", win::REG_BINARY}, {"REG_DWORD", win::REG_DWORD}, {"REG_MULTI_SZ", win::REG_MULTI_SZ}};
  const std::string name = element.GetAttribute("type");
  for (const auto& [text, code] : kTypes)
    if (rb::EqualsNoCase(name, text)) return code;
  machine.Reject("<" + element.Name() + "> type '" + name + "' is not a registry type");
}

SimRegistry::SimRegistry(const SimMachine& machine) {
  for (const rb::XmlObject* element : machine.Description().SelectNodes("registry/key")) {
    Key key{element->GetAttribute("path"), {}};
    for (const rb::XmlObject* declared : element->GetChildren("value")) {
      Value value{declared->GetAttribute("name"), TypeCode(machine, *declared), {}};
      const std::string data = declared->GetAttribute("data");
      if (value.type == win::REG_SZ || value.type == win::REG_EXPAND_SZ) {
        value.data = Value::Text({}, data).data;
      } else if (value.type == win::REG_DWORD) {
        value.data =
            Value::Dword({}, static_cast<std::uint32_t>(machine.Number(*declared, "data", 0xFFFFFFFF))).data;
      } else if (value.type == win::REG_BINARY) {
        value.data = HexData(machine, data);
      } else {
        machine.Reject("<value> type '" + declared->GetAttribute("type") + "' cannot be declared");
      }
      key.values.push_back(std::move(value));
    }
    keys_.push_back(std::move(key));
  }
}

void SimRegistry::AddKey(std::string path, std::vector<Value> values) {
  keys_.push_back({std::move(path), std::move(values)});
}

win::DWORD SimRegistry::Open(win::HKEY root, const std::string& subKey, win::HKEY* key) {
  if (key != nullptr) *key = nullptr;
  if (root != win::HKEY_LOCAL_MACHINE) return win::ERROR_FILE_NOT_FOUND;
  for (std::size_t index = 0; index < keys_.size(); ++index) {
    if (!rb::EqualsNoCase(keys_[index].path, subKey)) continue;
    std::lock_guard<std::mutex> lock(mutex_);
    const std::uintptr_t handle = next_;
    next_ += 4;
    open_[handle] = index;
    if (key != nullptr) *key = reinterpret_cast<win::HKEY>(handle);
    return win::ERROR_SUCCESS;
  }
  return win::ERROR_FILE_NOT_FOUND;
}

win::DWORD SimRegistry::Close(win::HKEY key) {
  std::lock_guard<std::mutex> lock(mutex_);
  return open_.erase(reinterpret_cast<std::uintptr_t>(key)) == 1 ? win::ERROR_SUCCESS
                                                                 : win::ERROR_INVALID_HANDLE;
}

win::DWORD SimRegistry::QueryValue(win::HKEY key, const std::string& name, win::DWORD* type, void* data,
                                   win::DWORD* size) {
  std::size_t index = 0;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto found = open_.find(reinterpret_cast<std::uintptr_t>(key));
    if (found == open_.end()) return win::ERROR_INVALID_HANDLE;
    index = found->second;
  }
  for (const Value& value : keys_[index].values) {
    if (!rb::EqualsNoCase(value.name, name)) continue;
    if (type != nullptr) *type = value.type;
    const auto length = static_cast<win::DWORD>(value.data.size());
    if (data != nullptr) {
      if (size == nullptr) return win::ERROR_INVALID_PARAMETER;
      if (*size < length) {
        *size = length;
        return win::ERROR_MORE_DATA;
      }
      std::memcpy(data, value.data.data(), length);
    }
    if (size != nullptr) *size = length;
    return win::ERROR_SUCCESS;
  }
  return win::ERROR_FILE_NOT_FOUND;
}

}  // namespace os
