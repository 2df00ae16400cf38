#include "digest.hpp"

#include <openssl/crypto.h>
#include <openssl/evp.h>

#include <memory>
#include <new>

namespace quorvel::service {

Digest Sha256(const std::vector<std::string_view>& texts) {
  const std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(),
                                                                        &EVP_MD_CTX_free);
  if (!context || EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1) throw std::bad_alloc();
  for (const std::string_view text : texts) {
    if (EVP_DigestUpdate(context.get(), text.data(), text.size()) != 1) throw std::bad_alloc();
  }
  Digest digest{};
  if (EVP_DigestFinal_ex(context.get(), digest.data(), nullptr) != 1) throw std::bad_alloc();
  return digest;
}

std::string HexPrefix(const Digest& digest, std::size_t digits) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string text;
  for (const unsigned char byte : digest) {
    text.push_back(kHex[byte >> 4]);
    text.push_back(kHex[byte & 15]);
  }
  text.resize(std::min(digits, text.size()));
  return text;
}

bool SameDigest(const Digest& a, const Digest& b) {
  return CRYPTO_memcmp(a.data(), b.data(), a.size()) == 0;
}

}  // namespace quorvel::service
