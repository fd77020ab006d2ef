#pragma once

#include <memory>
#include <string_view>
#include <vector>

#include "framework/parameter.h"
#include "framework/persistent.h"
#include "support/xmlobject.h"

namespace rb {

// The parameters of a test, owned, in the order the test added them.
class ParameterList : public Persistent {
 public:
  static constexpr const char* kStreamableName = "ParameterList";

  ParameterList() = default;

  // Takes ownership and appends; a null parameter is ignored.
  void Add(std::unique_ptr<Parameter> parameter);
  const std::vector<std::unique_ptr<Parameter>>& Parameters() const { return parameters_; }
  // The parameter of that name as a T; null when there is none or it is of another kind.
  template <class T>
  T* Find(std::string_view name) const {
    for (const auto& parameter : parameters_)
      if (parameter->Name() == name) return dynamic_cast<T*>(parameter.get());
    return nullptr;
  }
  // An element without a name whose children are the parameters' catalog elements, in order.
  XmlObject Describe() const;
  // Gives each parameter, in order, the command's attribute of its name (absent: the empty text, which
  // is the default). The first rejected value raises and leaves the later parameters as they were.
  void SetValues(const XmlObject& command);

  void Stream(ptstream& stream, bool writing, std::int32_t version) override;
  // Replaces the parameters with copies of the other list's.
  void Assign(const Persistent& other) override;
  std::string StreamableName() const override { return kStreamableName; }
  std::unique_ptr<Persistent> Clone() const override { return std::make_unique<ParameterList>(); }

 private:
  std::vector<std::unique_ptr<Parameter>> parameters_;
};

}  // namespace rb
