#include "Kinds.h"

#include <array>

namespace clipvane {
namespace {

struct KindRow {
  std::u16string_view label;
  std::string_view token;
  Kind::Group group;
  Kind::Risk risk;
  std::string_view icon;
};

using G = Kind::Group;
using R = Kind::Risk;

// In declaration order of Kind::Value.
constexpr std::array<KindRow, Kind::count> kRows = {{
    {u"Name", "NAME", G::personal, R::personal, "person"},
    {u"ID number", "ID_NUMBER", G::personal, R::personal, "id_card"},
    {u"Passport", "PASSPORT", G::personal, R::personal, "id_card"},
    {u"Date of birth", "DOB", G::personal, R::personal, "badge"},
    {u"Driver\u2019s license", "DRIVER_LICENSE", G::personal, R::personal, "id_card"},
    {u"Username", "USERNAME", G::personal, R::personal, "person"},
    {u"Identifier", "ID", G::personal, R::personal, "badge"},
    {u"Organization", "ORG", G::personal, R::personal, "account_balance"},
    {u"Email", "EMAIL", G::personal, R::personal, "mail"},
    {u"Phone", "PHONE", G::personal, R::personal, "call"},
    {u"Address", "ADDRESS", G::personal, R::personal, "home"},
    {u"Card number", "CARD", G::financial, R::blocked, "credit_card"},
    {u"CVV", "CVV", G::financial, R::blocked, "lock"},
    {u"Bank account", "IBAN", G::financial, R::personal, "account_balance"},
    {u"Private key", "PRIVATE_KEY", G::secrets, R::blocked, "key"},
    {u"API key", "API_KEY", G::secrets, R::secret, "vpn_key"},
    {u"Secret", "SECRET", G::secrets, R::secret, "password"},
    {u"Database URL", "DB_URL", G::secrets, R::secret, "database"},
    {u"IPv4 address", "IP", G::internal, R::internal, "lan"},
    {u"IPv6 address", "IPV6", G::internal, R::internal, "lan"},
    {u"MAC address", "MAC", G::internal, R::internal, "lan"},
    {u"Internal URL", "INTERNAL_URL", G::internal, R::internal, "lan"},
    {u"User folder", "USER_PATH", G::internal, R::internal, "folder"},
    {u"Financial record", "FINANCIAL", G::records, R::personal, "account_balance"},
    {u"Employment record", "EMPLOYMENT", G::records, R::personal, "badge"},
    {u"Medical record", "MEDICAL", G::records, R::personal, "clinical_notes"},
    {u"Custom", "CUSTOM", G::custom, R::personal, "label"},
}};

const KindRow& row(Kind k) { return kRows[static_cast<std::size_t>(static_cast<Kind::Value>(k))]; }

}  // namespace

std::u16string_view Kind::label() const { return row(*this).label; }
std::string_view Kind::token() const { return row(*this).token; }
Kind::Group Kind::group() const { return row(*this).group; }
Kind::Risk Kind::risk() const { return row(*this).risk; }
std::string_view Kind::materialIcon() const { return row(*this).icon; }

}  // namespace clipvane
