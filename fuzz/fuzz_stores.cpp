// The vault and history decoders on arbitrary bytes: never crash, and what
// they accept settles into one stored form.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "Crypto.h"
#include "Json.h"

using namespace clipvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  try {
    const Vault vault = json::decodeVault(bytes);
    // Dates lose their fractions on the way out; after that the form is fixed.
    const std::string once = json::encodeVault(vault);
    if (json::encodeVault(json::decodeVault(once)) != once) std::abort();
    // Whatever entries the bytes held, restoring terminates.
    const auto text = u"[EMAIL_1] \"[EMAIL_1]\" x\u2022\u2022\u2022";
    if (vault.restore(text).second < 0) std::abort();
    (void)vault.masks(text);
  } catch (const json::DecodeError&) {
  }

  try {
    const std::string once = json::encodeActivity(json::decodeActivity(bytes));
    if (json::encodeActivity(json::decodeActivity(once)) != once) std::abort();
  } catch (const json::DecodeError&) {
  }

  // Sealed data that was not sealed with this key never opens.
  const std::string key(Crypto::keySize, '\x5A');
  if (Crypto::open(key, bytes)) std::abort();
  return 0;
}
