#include "import/errors.h"

namespace corvath::import {

FormatError MalformedFile(const std::string& path, const std::string& detail) {
  return FormatError("File \"" + path + "\": " + detail, path);
}

}  // namespace corvath::import
