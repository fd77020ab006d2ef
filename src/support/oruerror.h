#pragma once

#include <exception>
#include <string>

#include "support/xmlobject.h"

namespace rb {

// A failure worth reporting that does not stop a command: a short message (translated on output) and
// free-text detail. Raised by value, caught by reference.
class OruWarning : public std::exception {
 public:
  OruWarning(std::string message, std::string detail) : message_(std::move(message)), detail_(std::move(detail)) {}

  // <warning caption="message">detail</warning>
  virtual XmlObject ToXml() const;
  ~OruWarning() override = default;

  const std::string& Message() const { return message_; }
  const std::string& Detail() const { return detail_; }
  void SetDetail(std::string detail) { detail_ = std::move(detail); }
  const char* what() const noexcept override { return message_.c_str(); }

 protected:
  std::string message_;
  std::string detail_;
};

// A failure: adds a six-character error code ("000000" until cross-referenced) and a repair action.
class OruError : public OruWarning {
 public:
  OruError(std::string message, std::string detail) : OruWarning(std::move(message), std::move(detail)) {}

  // <error caption= time= errorCode=>detail<repairAction>..</repairAction></error>
  XmlObject ToXml() const override;
  ~OruError() override = default;
  virtual const char* ElementName() const { return "error"; }
  // For the message-catalog library, which fills in code and repair action through these so that the
  // strings are always built by the component itself.
  virtual const char* MessageText() const { return message_.c_str(); }
  virtual void SetCrossReference(const char* errorCode, const char* repairAction);

  const std::string& ErrorCode() const { return errorCode_; }
  const std::string& RepairAction() const { return repairAction_; }
  void SetErrorCode(std::string code) { errorCode_ = std::move(code); }
  void SetRepairAction(std::string action) { repairAction_ = std::move(action); }

 protected:
  std::string errorCode_ = "000000";
  std::string repairAction_;
};

// A failure caused by input from the host (bad parameter values or expressions).
class FrontendError : public OruError {
 public:
  using OruError::OruError;
};

// The current local time in the run-time library's ctime form, without the trailing newline.
std::string CtimeNow();

}  // namespace rb
