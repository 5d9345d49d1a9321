#include "Crypto.h"

#include <openssl/evp.h>
#include <openssl/rand.h>

#include <climits>
#include <memory>

#include "Storage.h"

namespace clipvane::Crypto {
namespace {

using Ctx = std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)>;

Ctx newContext() { return Ctx(EVP_CIPHER_CTX_new(), &EVP_CIPHER_CTX_free); }

const unsigned char* bytes(std::string_view s) {
  return reinterpret_cast<const unsigned char*>(s.data());
}
unsigned char* bytes(std::string& s) { return reinterpret_cast<unsigned char*>(s.data()); }

}  // namespace

std::string randomBytes(std::size_t n) {
  std::string out(n, '\0');
  if (n > 0 && RAND_bytes(bytes(out), static_cast<int>(n)) != 1)
    throw StorageError("The system could not provide random bytes for encryption.");
  return out;
}

void sealInto(std::string_view key, std::string_view plain, std::string& out) {
  if (key.size() != keySize) throw StorageError("The vault key has the wrong size.");
  if (plain.size() > std::size_t(INT_MAX - 64)) throw StorageError("The vault is too large.");
  const std::string nonce = randomBytes(nonceSize);
  out.resize(nonceSize + plain.size() + tagSize);
  out.replace(0, nonceSize, nonce);
  const Ctx ctx = newContext();
  int len = 0;
  bool ok = ctx && EVP_EncryptInit_ex(ctx.get(), EVP_aes_256_gcm(), nullptr, nullptr, nullptr) &&
            EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_SET_IVLEN, int(nonceSize), nullptr) &&
            EVP_EncryptInit_ex(ctx.get(), nullptr, nullptr, bytes(key), bytes(nonce)) &&
            EVP_EncryptUpdate(ctx.get(), bytes(out) + nonceSize, &len, bytes(plain),
                              static_cast<int>(plain.size()));
  int tail = 0;
  ok = ok && EVP_EncryptFinal_ex(ctx.get(), bytes(out) + nonceSize + len, &tail) &&
       std::size_t(len + tail) == plain.size() &&
       EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_GET_TAG, int(tagSize),
                           bytes(out) + nonceSize + plain.size());
  if (!ok) throw StorageError("The vault could not be encrypted.");
}

std::string seal(std::string_view key, std::string_view plain) {
  std::string out;
  sealInto(key, plain, out);
  return out;
}

std::optional<std::string> open(std::string_view key, std::string_view sealed) {
  if (key.size() != keySize || sealed.size() < nonceSize + tagSize ||
      sealed.size() > std::size_t(INT_MAX))
    return std::nullopt;
  const std::size_t n = sealed.size() - nonceSize - tagSize;
  const auto nonce = sealed.substr(0, nonceSize);
  const auto body = sealed.substr(nonceSize, n);
  std::string tag(sealed.substr(nonceSize + n));
  std::string out(n, '\0');
  const Ctx ctx = newContext();
  int len = 0, tail = 0;
  const bool ok =
      ctx && EVP_DecryptInit_ex(ctx.get(), EVP_aes_256_gcm(), nullptr, nullptr, nullptr) &&
      EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_SET_IVLEN, int(nonceSize), nullptr) &&
      EVP_DecryptInit_ex(ctx.get(), nullptr, nullptr, bytes(key), bytes(nonce)) &&
      EVP_DecryptUpdate(ctx.get(), bytes(out), &len, bytes(body), static_cast<int>(n)) &&
      EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_SET_TAG, int(tagSize), bytes(tag)) &&
      EVP_DecryptFinal_ex(ctx.get(), bytes(out) + len, &tail) > 0;
  if (!ok) return std::nullopt;
  out.resize(std::size_t(len + tail));
  return out;
}

}  // namespace clipvane::Crypto
