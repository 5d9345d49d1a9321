#pragma once
// AES-256-GCM in the combined form: 12-byte nonce | ciphertext | 16-byte tag.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace clipvane::Crypto {

inline constexpr std::size_t keySize = 32;
inline constexpr std::size_t nonceSize = 12;
inline constexpr std::size_t tagSize = 16;

// Bytes from the system's CSPRNG; throws StorageError when it fails.
std::string randomBytes(std::size_t n);

// Encrypts with a fresh random nonce; throws StorageError.
std::string seal(std::string_view key, std::string_view plain);
// The same into `out`, whose memory is reused; `plain` must not be in it.
void sealInto(std::string_view key, std::string_view plain, std::string& out);

// Nothing when the data is too short, was changed, or the key does not fit.
std::optional<std::string> open(std::string_view key, std::string_view sealed);

}  // namespace clipvane::Crypto
