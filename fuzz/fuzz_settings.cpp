// The settings reader on arbitrary bytes: never crashes, and whatever it
// accepts settles into one stored form.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "AppSettings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const auto settings = clipvane::AppSettings::fromJSON(bytes);
  if (!settings) return 0;
  // Dates lose their fractions on the way out; after that the form is fixed.
  const std::string once = settings->toJSON();
  const auto again = clipvane::AppSettings::fromJSON(once);
  if (!again || again->toJSON() != once) std::abort();
  return 0;
}
