#pragma once

#include <string>

#include "framework/persistent.h"
#include "support/xmlobject.h"

namespace rb {

// A value the operator may set before a test runs, named after the runTest attribute that carries it.
// Each kind describes itself in the catalog (an input field with its type, default and limits) and
// validates the text of its attribute. In the persistent file a parameter of any kind is its name: the
// test that owns it sets it up again with its texts, limits and default.
class Parameter : public Persistent {
 public:
  Parameter(std::string name, std::string caption, std::string description)
      : name_(std::move(name)), caption_(std::move(caption)), description_(std::move(description)) {}

  const std::string& Name() const { return name_; }
  const std::string& Caption() const { return caption_; }
  const std::string& Description() const { return description_; }

  void Stream(ptstream& stream, bool writing, std::int32_t version) override;
  // Copies name and texts.
  void Assign(const Persistent& other) override;

  // <parameter name= caption= description= type= defaultValue=/>; kinds add their limits or options.
  virtual XmlObject Describe() const;
  // Validates the text and stores the value; the empty text stands for the default. Bad input raises a
  // FrontendError "Parameter outside acceptable range" whose detail tells the operator what to enter.
  virtual void SetValue(const std::string& text) = 0;
  virtual void SetInfo(std::string name, std::string caption, std::string description);
  virtual std::string DefaultText() const = 0;
  // The type word of the catalog.
  virtual std::string TypeName() const = 0;

 protected:
  // The state a reader starts from.
  Parameter() = default;
  // Raises the validation failure with the given detail.
  [[noreturn]] static void RejectValue(const std::string& detail);

 private:
  std::string name_;
  std::string caption_;
  std::string description_;
};

}  // namespace rb
