#include "support/timeformat.h"

#include "support/catalog.h"
#include "support/stringutil.h"

namespace rb {

std::string FormatDuration(std::uint32_t seconds) {
  const int h = static_cast<int>(seconds / 3600);
  const int m = static_cast<int>((seconds % 3600) / 60);
  const int s = static_cast<int>(seconds % 60);
  const std::string language = GetLanguageCode();
  if (language == "fr" || language == "de" || language == "es") return StringPrintf("%02d:%02d:%02d", h, m, s);
  if (language == "it") return StringPrintf("%d.%02d.%02d", h, m, s);
  if (language == "ja") return StringPrintf("%d:%02d:%02d", h, m, s);
  return StringPrintf("%2d:%02d:%02d", h, m, s);
}

std::string FormatElapsed(double seconds) {
  if (seconds < 0.001) return "< 1 " + Translate("ms");
  if (seconds < 1.0) return StringPrintf("%d %s", static_cast<int>(seconds * 1000), Translate("ms").c_str());
  return FormatDuration(static_cast<std::uint32_t>(seconds));
}

}  // namespace rb
