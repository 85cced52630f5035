#include "app/filesha256.h"

#include <openssl/evp.h>

#include <fstream>
#include <memory>
#include <vector>

#include "app/inputfile.h"

namespace corvath::app {

Result<std::string> FileSha256(const std::string& path) {
  std::ifstream in;
  if (Outcome opened = OpenInputFile(path, in); !opened.done()) return opened;
  std::unique_ptr<EVP_MD_CTX, void (*)(EVP_MD_CTX*)> context(EVP_MD_CTX_new(), EVP_MD_CTX_free);
  if (!context || EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1)
    return Outcome::Failed("the SHA-256 digest is not available", path);
  std::vector<char> buffer(1 << 20);
  while (in) {
    in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    if (in.gcount() > 0) EVP_DigestUpdate(context.get(), buffer.data(), static_cast<std::size_t>(in.gcount()));
  }
  if (in.bad()) return Outcome::Failed(path + ": cannot be read", path);
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  EVP_DigestFinal_ex(context.get(), digest, &length);
  static const char* hex = "0123456789abcdef";
  std::string text;
  for (unsigned int k = 0; k < length; ++k) {
    text += hex[digest[k] >> 4];
    text += hex[digest[k] & 15];
  }
  return text;
}

}  // namespace corvath::app
