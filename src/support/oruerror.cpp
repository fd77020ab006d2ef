#include "support/oruerror.h"

#include <ctime>

#include "platform/os.h"
#include "support/catalog.h"
#include "support/stringutil.h"

namespace rb {

XmlObject OruWarning::ToXml() const {
  XmlObject e;
  e.SetName("warning");
  e.SetAttribute("caption", Translate(message_));
  if (!detail_.empty()) e.SetText(detail_);
  return e;
}

XmlObject OruError::ToXml() const {
  XmlObject e = OruWarning::ToXml();
  e.SetName(ElementName());
  e.SetAttribute("time", CtimeNow());
  if (!errorCode_.empty()) e.SetAttribute("errorCode", errorCode_);
  if (!repairAction_.empty()) {
    XmlObject action;
    action.SetName("repairAction");
    action.SetText(repairAction_);
    e.AddChild(std::move(action));
  }
  return e;
}

void OruError::SetCrossReference(const char* errorCode, const char* repairAction) {
  if (errorCode != nullptr) errorCode_ = errorCode;
  if (repairAction != nullptr) repairAction_ = repairAction;
}

namespace {

// The local time from the machine, or from the C library when the machine cannot be asked (a
// simulated machine whose description is unusable): an error document must still be dated.
std::tm LocalTimeNow() {
  try {
    return os::Current().LocalTime();
  } catch (...) {
  }
  const std::time_t now = std::time(nullptr);
  std::tm t{};
#ifdef _WIN32
  // The Windows C library keeps localtime's result per thread.
  if (const std::tm* local = std::localtime(&now)) t = *local;
#else
  localtime_r(&now, &t);
#endif
  return t;
}

}  // namespace

std::string CtimeNow() {
  static constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  const std::tm t = LocalTimeNow();
  const int day = (t.tm_wday >= 0 && t.tm_wday < 7) ? t.tm_wday : 0;
  const int month = (t.tm_mon >= 0 && t.tm_mon < 12) ? t.tm_mon : 0;
  return StringPrintf("%.3s %.3s%3d %.2d:%.2d:%.2d %d", kDays[day], kMonths[month], t.tm_mday, t.tm_hour, t.tm_min,
                      t.tm_sec, 1900 + t.tm_year);
}

}  // namespace rb
