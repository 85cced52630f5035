#include "import/errors.h"

namespace corvath::import {

FormatError MalformedFile(const std::string& path, const std::string& detail) {
  std::string message = "File \"";
  message.append(path).append("\": ").append(detail);
  return FormatError(message, path);
}

}  // namespace corvath::import
