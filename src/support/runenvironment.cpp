#include "support/runenvironment.h"

#include <atomic>
#include <mutex>
#include <stdexcept>

#include "platform/os.h"
#include "support/debug.h"
#include "support/xmlobject.h"

namespace rb {
namespace {

constexpr const char* kWinPeKey = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\WinPe";
constexpr win::DWORD kAllAccess = 0xF003F;

// diagconfig.xml, read on first need. The host asks from one thread at a time, but the lock keeps a
// concurrent first read from tearing the document.
struct Configuration {
  std::mutex mutex;
  XmlObject document;
  bool loaded = false;
};

Configuration& Config() {
  // Destroyed when the library is unloaded, so that a host that loads the component again and again
  // gets every block back.
  static Configuration config;
  return config;
}

// 2: not known yet; 0: a preinstallation environment; 1: not one.
std::atomic<int> winPeAnswer{2};

bool IsSet(const char* name) { return os::Current().GetEnvironmentVariable(name).has_value(); }

template <typename Question>
auto Ask(Question question) {
  Configuration& config = Config();
  std::lock_guard<std::mutex> lock(config.mutex);
  if (!config.loaded) {
    try {
      config.document.LoadFromFile("diagconfig.xml", false, false, -1, kConfigurationFileBytes);
      config.loaded = true;
    } catch (const std::exception& error) {
      DebugPrint("%s\n", error.what());
    }
  }
  return question(config.document);
}

}  // namespace

bool IsSparrow() { return IsSet("SPARROW"); }
bool IsDiagsCD() { return IsSet("VORTEXA_CD"); }
bool IsOnline() { return !IsSparrow() && !IsDiagsCD(); }

bool IsWinPE() {
  const int known = winPeAnswer.load();
  if (known != 2) return known == 0;
  os::Platform& p = os::Current();
  win::HKEY key = nullptr;
  const bool opened = p.RegOpenKey(win::HKEY_LOCAL_MACHINE, kWinPeKey, kAllAccess, &key) == win::ERROR_SUCCESS;
  if (opened) p.RegCloseKey(key);
  winPeAnswer.store(opened ? 0 : 1);
  return opened;
}

bool IsFactory() {
  return Ask([](const XmlObject& d) { return d.SelectSingleNode("factory") != nullptr; });
}

bool IsWindlass() {
  return Ask([](const XmlObject& d) { return d.SelectSingleNode("windlass") != nullptr; });
}

bool IsSurveyOnly() {
  const char* environment = IsFactory() ? "factory" : IsDiagsCD() ? "diagscd" : IsSparrow() ? "sparrow" : "online";
  return Ask([&](const XmlObject& d) {
    return d.GetValue("mode/@surveyOnly", "") == "1" && d.GetValue("mode/@envior", "") == environment;
  });
}

bool UseHealthDriver() {
  return Ask([](const XmlObject& d) { return d.GetValue("vm/@healthDriver", "") != "0"; });
}

std::string ConfigurationValue(std::string_view path) {
  return Ask([path](const XmlObject& d) { return d.GetValue(path, ""); });
}

void ForgetRunEnvironmentForTesting() {
  Configuration& config = Config();
  std::lock_guard<std::mutex> lock(config.mutex);
  config.document.Clear();
  config.loaded = false;
  winPeAnswer.store(2);
}

}  // namespace rb
