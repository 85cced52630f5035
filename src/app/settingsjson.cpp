#include "app/settingsjson.h"

namespace corvath::app::settingsjson_detail {

std::string OrNull(const char* offMeans) {
  if (!offMeans) return {};
  return *offMeans ? std::string(" (or null for ") + offMeans + ")" : std::string(" (or null)");
}

std::string ObjectWords(const std::string& keys, bool nullable) {
  return "must be an object {" + keys + "}" + (nullable ? " or null" : "");
}

}  // namespace corvath::app::settingsjson_detail
