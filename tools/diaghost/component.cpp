#include "component.h"

#include "hostos.h"

namespace diaghost {
namespace {

template <typename Function>
bool Resolve(const Library& library, const char* name, Function& function, std::string& error) {
  void* address = library.Find(name);
  if (address == nullptr) {
    error = "the component does not export " + std::string(name);
    return false;
  }
  function = reinterpret_cast<Function>(address);
  return true;
}

}  // namespace

std::optional<ComponentExports> LoadComponent(const std::string& path, std::string& error) {
  const Library library = Library::Open(path, error);
  if (!library.Loaded()) return std::nullopt;
  ComponentExports exports;
  bool found = Resolve(library, "Initialize", exports.initialize, error) &&
               Resolve(library, "Uninitialize", exports.uninitialize, error) &&
               Resolve(library, "IsInitialized", exports.isInitialized, error) &&
               Resolve(library, "SetCallback", exports.setCallback, error) &&
               Resolve(library, "ExecuteXMLCommand", exports.executeXmlCommand, error);
  for (ComponentExports::Question& question : exports.environment) {
    found = found && Resolve(library, question.name, question.ask, error);
  }
  if (!found) return std::nullopt;
  return exports;
}

std::optional<std::string> TakeDocument(char* document) {
  if (document == nullptr) return std::nullopt;
  std::string text(document);
  OruFree(document);
  return text;
}

}  // namespace diaghost
