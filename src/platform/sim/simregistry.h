#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/winapi.h"
#include "support/xmlobject.h"

namespace os {

class SimMachine;

// The registry of a simulated machine: the keys below HKEY_LOCAL_MACHINE that its description declares,
// with their values, e.g.
//   <registry>
//     <key path="SOFTWARE\Microsoft\Windows NT\CurrentVersion\WinPe"/>
//     <key path="SOFTWARE\Ravel"><value name="Mode" type="REG_SZ" data="factory"/></key>
//   </registry>
// `type` is REG_SZ or REG_EXPAND_SZ (data: the text), REG_DWORD (a number, decimal or 0x-prefixed) or
// REG_BINARY (hexadecimal digits); the backend adds keys of its own (the SCSI device map). Key paths and
// value names compare without regard to case, as on Windows.
class SimRegistry {
 public:
  struct Value {
    std::string name;
    win::DWORD type = win::REG_NONE;
    std::vector<std::uint8_t> data;

    static Value Text(std::string name, const std::string& text);
    static Value Dword(std::string name, std::uint32_t number);
  };

  // Raises MachineError for a value of an unknown type or with malformed data.
  explicit SimRegistry(const SimMachine& machine);

  // A registry type name of the description ("REG_SZ", ...) as its code; raises MachineError for another.
  static win::DWORD TypeCode(const SimMachine& machine, const rb::XmlObject& element);

  // Adds a key after those of the description (which therefore win over it).
  void AddKey(std::string path, std::vector<Value> values);
  win::DWORD Open(win::HKEY root, const std::string& subKey, win::HKEY* key);
  win::DWORD Close(win::HKEY key);
  // RegQueryValueEx on an open key (see os.h).
  win::DWORD QueryValue(win::HKEY key, const std::string& name, win::DWORD* type, void* data,
                        win::DWORD* size);

 private:
  struct Key {
    std::string path;
    std::vector<Value> values;
  };

  std::vector<Key> keys_;
  std::mutex mutex_;
  // Open handles and the index of their key.
  std::map<std::uintptr_t, std::size_t> open_;
  std::uintptr_t next_ = 0x1000;
};

}  // namespace os
