#pragma once
// The kinds of sensitive value, their groups, risks, labels and tokens.
#include <functional>
#include <string_view>

#include "Enum.h"

namespace clipvane {

class Kind {
 public:
  // Declaration order is allCases order and the stored raw names.
  enum Value : unsigned char {
    name,
    ssn,
    passport,
    birthDate,
    driverLicense,
    username,
    identifier,
    organization,
    email,
    phone,
    address,
    card,
    cvv,
    iban,
    privateKey,
    apiKey,
    secret,
    databaseUrl,
    ipv4,
    ipv6,
    macAddress,
    internalUrl,
    userPath,
    financialRecord,
    employmentRecord,
    medicalRecord,
    custom,
  };
  static constexpr int count = 27;

  enum class Group { personal, secrets, internal, financial, custom, records };
  enum class Risk { blocked, secret, internal, personal };

  constexpr Kind() = default;
  constexpr Kind(Value v) : value_(v) {}  // NOLINT: a Kind is its case
  constexpr operator Value() const { return value_; }

  std::u16string_view label() const;  // "Email", "Driver’s license"
  std::string_view token() const;     // "EMAIL", "DB_URL"
  Group group() const;
  Risk risk() const;
  std::string_view materialIcon() const;  // icon-set glyph name, never empty

  friend constexpr bool operator==(Kind a, Kind b) { return a.value_ == b.value_; }
  friend constexpr auto operator<=>(Kind a, Kind b) { return a.value_ <=> b.value_; }
  // Exact overloads for a case on one side, so that `kind == Kind::email` is
  // not ambiguous between this class's operator and the built-in one.
  friend constexpr bool operator==(Kind a, Value b) { return a.value_ == b; }
  friend constexpr auto operator<=>(Kind a, Value b) { return a.value_ <=> b; }

 private:
  Value value_ = name;
};

template <>
struct EnumTraits<Kind::Value> {
  static constexpr std::array<std::string_view, 27> names = {"name",
                                                             "ssn",
                                                             "passport",
                                                             "birthDate",
                                                             "driverLicense",
                                                             "username",
                                                             "identifier",
                                                             "organization",
                                                             "email",
                                                             "phone",
                                                             "address",
                                                             "card",
                                                             "cvv",
                                                             "iban",
                                                             "privateKey",
                                                             "apiKey",
                                                             "secret",
                                                             "databaseUrl",
                                                             "ipv4",
                                                             "ipv6",
                                                             "macAddress",
                                                             "internalUrl",
                                                             "userPath",
                                                             "financialRecord",
                                                             "employmentRecord",
                                                             "medicalRecord",
                                                             "custom"};
};
template <>
struct EnumTraits<Kind> : EnumTraits<Kind::Value> {};
template <>
struct EnumTraits<Kind::Group> {
  static constexpr std::array<std::string_view, 6> names = {"personal",  "secrets", "internal",
                                                            "financial", "custom",  "records"};
};
template <>
struct EnumTraits<Kind::Risk> {
  static constexpr std::array<std::string_view, 4> names = {"blocked", "secret", "internal",
                                                            "personal"};
};

}  // namespace clipvane

template <>
struct std::hash<clipvane::Kind> {
  std::size_t operator()(clipvane::Kind k) const noexcept {
    return static_cast<std::size_t>(static_cast<clipvane::Kind::Value>(k));
  }
};
