#include "FieldKeys.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "FieldText.h"

namespace clipvane::detect {
namespace {

using K = Kind;
using S = Shape;

// Every field name and label of the field rules. Keys are compared after
// normalisation ("Date of Birth", "date_of_birth" and "dateOfBirth" are one
// key). Shape::none rows are known keys whose values are not a person's data:
// they stop a shorter suffix or word from matching ("IP address", "order id").
constexpr auto kTable = std::to_array<KeyRule>({
    // ---- secrets --------------------------------------------------------
    {u"password", K::secret, S::secret, kSuffix | kBare},
    {u"passwd", K::secret, S::secret, kSuffix | kBare},
    {u"pwd", K::secret, S::secret, kSuffix},
    {u"pw", K::secret, S::secret, kWeak},
    {u"pass", K::secret, S::secret, kSuffix | kWeak},
    {u"passphrase", K::secret, S::secret, kSuffix | kBare},
    {u"passcode", K::secret, S::secret, kSuffix},
    {u"pin", K::secret, S::secret, kSuffix | kDigitsOnly | kBare},
    {u"pin code", K::secret, S::secret, kSuffix | kDigitsOnly},
    {u"secret", K::secret, S::secret, kSuffix},
    {u"client_secret", K::secret, S::secret, kSuffix},
    {u"secret_key", K::secret, S::secret, kSuffix},
    {u"secret_key_base", K::secret, S::secret, kSuffix},
    {u"app_key", K::secret, S::secret, 0},
    {u"token", K::secret, S::secret, kSuffix | kWeak},
    {u"access_token", K::secret, S::secret, kSuffix},
    {u"refresh_token", K::secret, S::secret, kSuffix},
    {u"auth_token", K::secret, S::secret, kSuffix},
    {u"id_token", K::secret, S::secret, kSuffix},
    {u"api_key", K::secret, S::secret, kSuffix},
    {u"apikey", K::secret, S::secret, kSuffix},
    {u"api_token", K::secret, S::secret, kSuffix},
    {u"api_secret", K::secret, S::secret, kSuffix},
    {u"access_key", K::secret, S::secret, kSuffix | kWeak},
    {u"private_key", K::secret, S::secret, kSuffix},
    {u"signing_key", K::secret, S::secret, kSuffix},
    {u"encryption_key", K::secret, S::secret, kSuffix},
    {u"master_key", K::secret, S::secret, kSuffix},
    {u"license_key", K::secret, S::secret, kSuffix},
    {u"credential", K::secret, S::secret, kSuffix | kWeak},
    {u"credentials", K::secret, S::secret, kSuffix | kWeak},
    {u"connection_string", K::secret, S::secret, kSuffix | kWholeValue},
    {u"signature", K::secret, S::secret, kSuffix | kWeak},
    {u"sig", K::secret, S::secret, kWeak},
    {u"auth", K::secret, S::secret, kWeak},
    {u"authorization", K::secret, S::secret, kAuthScheme | kWholeValue},
    {u"proxy_authorization", K::secret, S::secret, kAuthScheme | kWholeValue},
    {u"session", K::secret, S::secret, kWeak},
    {u"session_id", K::secret, S::secret, kWeak},
    {u"session_token", K::secret, S::secret, kSuffix},
    {u"session_key", K::secret, S::secret, kSuffix},
    {u"cookie", K::secret, S::secret, kWholeValue | kCookie},
    {u"set_cookie", K::secret, S::secret, kWholeValue | kCookie},
    {u"sessid", K::secret, S::secret, kSuffix | kWeak},
    {u"sessionid", K::secret, S::secret, kSuffix | kWeak},
    {u"sid", K::secret, S::secret, kWeak},
    {u"jwt", K::secret, S::secret, kSuffix | kWeak},
    {u"passwort", K::secret, S::secret, kSuffix},
    {u"kennwort", K::secret, S::secret, kSuffix},
    {u"mot de passe", K::secret, S::secret, 0},
    {u"contraseña", K::secret, S::secret, 0},
    {u"senha", K::secret, S::secret, 0},
    {u"wachtwoord", K::secret, S::secret, 0},
    {u"пароль", K::secret, S::secret, 0},
    {u"mật khẩu", K::secret, S::secret, 0},
    {u"密码", K::secret, S::secret, 0},
    {u"密碼", K::secret, S::secret, 0},
    {u"パスワード", K::secret, S::secret, 0},
    {u"비밀번호", K::secret, S::secret, 0},
    // The last word of a longer key: a service's key, personal access token,
    // private key, access key ("STRIPE_KEY", "GITHUB_PAT", "MAILGUN_PRIVATE",
    // "AWS_ACCESS", "basic_auth"), taken when the value looks generated.
    {u"key", K::secret, S::secret, kCompound},
    {u"pat", K::secret, S::secret, kCompound},
    {u"private", K::secret, S::secret, kCompound},
    {u"access", K::secret, S::secret, kCompound},
    // Keys of other things that end in "key".
    {u"primary_key", K::secret, S::none, kSuffix},
    {u"foreign_key", K::secret, S::none, kSuffix},
    {u"sort_key", K::secret, S::none, kSuffix},
    {u"partition_key", K::secret, S::none, kSuffix},
    {u"range_key", K::secret, S::none, kSuffix},
    {u"hash_key", K::secret, S::none, kSuffix},
    {u"row_key", K::secret, S::none, kSuffix},
    {u"cache_key", K::secret, S::none, kSuffix},
    {u"idempotency_key", K::secret, S::none, kSuffix},
    {u"object_key", K::secret, S::none, kSuffix},
    {u"lookup_key", K::secret, S::none, kSuffix},
    {u"group_key", K::secret, S::none, kSuffix},
    {u"hot_key", K::secret, S::none, kSuffix},
    {u"shortcut_key", K::secret, S::none, kSuffix},
    {u"translation_key", K::secret, S::none, kSuffix},
    {u"i18n_key", K::secret, S::none, kSuffix},
    {u"host_key", K::secret, S::none, kSuffix},
    {u"gpg_key", K::secret, S::none, kSuffix},
    {u"pgp_key", K::secret, S::none, kSuffix},
    {u"ssh_key", K::secret, S::none, kSuffix},
    {u"key_id", K::secret, S::none, kSuffix},
    {u"access_key_id", K::secret, S::none, kSuffix},
    {u"public_access", K::secret, S::none, kSuffix},
    {u"read_access", K::secret, S::none, kSuffix},
    {u"write_access", K::secret, S::none, kSuffix},
    {u"is_private", K::secret, S::none, kSuffix},
    // Words ending like a secret that name something else.
    {u"cancellation_token", K::secret, S::none, 0},
    {u"page_token", K::secret, S::none, kSuffix},
    {u"next_token", K::secret, S::none, 0},
    {u"sync_token", K::secret, S::none, 0},
    {u"continuation_token", K::secret, S::none, 0},
    {u"max_token", K::secret, S::none, 0},
    {u"spin", K::secret, S::none, 0},
    {u"bypass", K::secret, S::none, 0},
    {u"compass", K::secret, S::none, 0},
    // Tokens a page hands to every visitor (forgery guards) and keys made
    // to be published.
    {u"csrf", K::secret, S::none, kSuffix},
    {u"csrf_token", K::secret, S::none, kSuffix},
    {u"csrftoken", K::secret, S::none, kSuffix},
    {u"csrfmiddlewaretoken", K::secret, S::none, 0},
    {u"xsrf", K::secret, S::none, kSuffix},
    {u"xsrf_token", K::secret, S::none, kSuffix},
    {u"authenticity_token", K::secret, S::none, kSuffix},
    {u"request_verification_token", K::secret, S::none, kSuffix},
    {u"antiforgery_token", K::secret, S::none, kSuffix},
    {u"anti_forgery_token", K::secret, S::none, kSuffix},
    {u"public_token", K::secret, S::none, kSuffix},
    {u"public_key", K::secret, S::none, kSuffix},
    {u"publishable_key", K::secret, S::none, kSuffix},
    {u"site_key", K::secret, S::none, kSuffix},

    // ---- names ----------------------------------------------------------
    {u"name", K::name, S::personName, kTwoWords | kNeedsContext},
    {u"full_name", K::name, S::personName, kSuffix},
    {u"fullname", K::name, S::personName, kSuffix},
    {u"first_name", K::name, S::personName, kSuffix},
    {u"firstname", K::name, S::personName, kSuffix},
    {u"last_name", K::name, S::personName, kSuffix},
    {u"first", K::name, S::personName, kNeedsContext},
    {u"last", K::name, S::personName, kNeedsContext},
    {u"fname", K::name, S::personName, kNeedsContext},
    {u"lname", K::name, S::personName, kNeedsContext},
    {u"middle_name", K::name, S::personName, kSuffix},
    {u"maiden_name", K::name, S::personName, kSuffix},
    {u"given_name", K::name, S::personName, kSuffix},
    {u"family_name", K::name, S::personName, kSuffix},
    {u"legal_name", K::name, S::personName, 0},
    {u"display_name", K::name, S::personName, kTwoWords | kNeedsContext},
    {u"surname", K::name, S::personName, kSuffix},
    {u"customer", K::name, S::personName, 0},
    {u"customer_name", K::name, S::personName, 0},
    {u"patient", K::name, S::personName, kMedicalAnchor},
    {u"patient_name", K::name, S::personName, kMedicalAnchor},
    {u"employee", K::name, S::personName, kEmployAnchor},
    {u"employee_name", K::name, S::personName, kEmployAnchor},
    {u"contact", K::name, S::personName, 0},
    {u"contact_name", K::name, S::personName, 0},
    {u"contact_person", K::name, S::personName, 0},
    {u"client_name", K::name, S::personName, 0},
    {u"cardholder", K::name, S::personName, 0},
    {u"cardholder_name", K::name, S::personName, 0},
    {u"card_holder", K::name, S::personName, 0},
    {u"account_holder", K::name, S::personName, 0},
    {u"name on account", K::name, S::personName, 0},
    {u"name on card", K::name, S::personName, 0},
    {u"account name", K::name, S::personName, kTwoWords},
    {u"holder_name", K::name, S::personName, 0},
    {u"holder", K::name, S::personName, 0},
    {u"account_holder_name", K::name, S::personName, 0},
    {u"name_of_account_holder", K::name, S::personName, 0},
    {u"beneficiary", K::name, S::personName, 0},
    {u"recipient_name", K::name, S::personName, 0},
    {u"sender_name", K::name, S::personName, 0},
    {u"spouse", K::name, S::personName, 0},
    {u"emergency_contact", K::name, S::personName, 0},
    {u"next_of_kin", K::name, S::personName, 0},
    {u"guardian", K::name, S::personName, 0},
    {u"author", K::name, S::personName, kTwoWords},
    {u"applicant", K::name, S::personName, 0},
    {u"student_name", K::name, S::personName, 0},
    {u"member_name", K::name, S::personName, kTwoWords},
    {u"policyholder", K::name, S::personName, 0},
    {u"insured", K::name, S::personName, 0},
    {u"insured_name", K::name, S::personName, 0},
    {u"client", K::name, S::personName, kTwoWords},
    {u"member", K::name, S::personName, kTwoWords},
    {u"student", K::name, S::personName, kTwoWords},
    {u"tenant", K::name, S::personName, kTwoWords},
    {u"landlord", K::name, S::personName, kTwoWords},
    {u"passenger", K::name, S::personName, 0},
    {u"passenger_name", K::name, S::personName, 0},
    {u"traveler", K::name, S::personName, 0},
    {u"traveller", K::name, S::personName, 0},
    {u"traveler_name", K::name, S::personName, 0},
    {u"guest_name", K::name, S::personName, 0},
    {u"signed", K::name, S::personName, kTwoWords},
    {u"signed_by", K::name, S::personName, kTwoWords},
    {u"attn", K::name, S::personName, kTwoWords},
    {u"attention", K::name, S::personName, kTwoWords},
    {u"witness", K::name, S::personName, kTwoWords},
    {u"representative", K::name, S::personName, kTwoWords},
    {u"physician", K::name, S::personName, kMedicalAnchor},
    {u"doctor", K::name, S::personName, kMedicalAnchor},
    {u"attending_physician", K::name, S::personName, kMedicalAnchor},
    {u"from", K::name, S::personName, kTwoWords},
    {u"to", K::name, S::personName, kTwoWords},
    {u"cc", K::name, S::personName, kTwoWords},
    {u"reply_to", K::name, S::personName, kTwoWords},
    {u"sender", K::name, S::personName, kTwoWords},
    {u"recipient", K::name, S::personName, kTwoWords},
    {u"vorname", K::name, S::personName, 0},
    {u"familienname", K::name, S::personName, 0},
    {u"name des kunden", K::name, S::personName, 0},
    {u"nom de famille", K::name, S::personName, 0},
    {u"prenom", K::name, S::personName, 0},
    {u"nome completo", K::name, S::personName, 0},
    {u"primer apellido", K::name, S::personName, 0},
    {u"volledige naam", K::name, S::personName, 0},
    {u"titular", K::name, S::personName, 0},
    {u"titulaire", K::name, S::personName, 0},
    {u"kontoinhaber", K::name, S::personName, 0},
    {u"nachname", K::name, S::personName, 0},
    {u"prénom", K::name, S::personName, 0},
    {u"nom", K::name, S::personName, 0},
    {u"nom complet", K::name, S::personName, 0},
    {u"nome", K::name, S::personName, 0},
    {u"cognome", K::name, S::personName, 0},
    {u"naam", K::name, S::personName, 0},
    {u"voornaam", K::name, S::personName, 0},
    {u"achternaam", K::name, S::personName, 0},
    {u"nombre completo", K::name, S::personName, 0},
    {u"nombre", K::name, S::personName, 0},
    {u"apellido", K::name, S::personName, 0},
    {u"apellidos", K::name, S::personName, 0},
    {u"họ và tên", K::name, S::personName, 0},
    {u"họ tên", K::name, S::personName, 0},
    {u"姓名", K::name, S::personName, 0},
    {u"氏名", K::name, S::personName, 0},
    {u"이름", K::name, S::personName, 0},
    // Names of things, not of people.
    {u"file_name", K::name, S::none, kSuffix},
    {u"host_name", K::name, S::none, kSuffix},
    {u"user_name", K::username, S::username, kSuffix | kBare},
    {u"username", K::username, S::username, kSuffix | kBare},
    {u"app_name", K::name, S::none, 0},
    {u"project_name", K::name, S::none, 0},
    {u"service_name", K::name, S::none, 0},
    {u"company_name", K::organization, S::organization, 0},

    // ---- usernames ------------------------------------------------------
    {u"login", K::username, S::username, kSuffix | kNotNumeric | kTokenValue},
    {u"login_name", K::username, S::username, 0},
    {u"login_id", K::username, S::username, 0},
    {u"user", K::username, S::username, kSuffix | kNotNumeric | kBare},
    {u"screen_name", K::username, S::username, kBare},
    {u"nickname", K::username, S::username, 0},
    {u"handle", K::username, S::username, kNotNumeric},
    {u"user_handle", K::username, S::username, 0},
    {u"account_name", K::username, S::username, kNotNumeric},
    {u"benutzername", K::username, S::username, 0},
    {u"nom d'utilisateur", K::username, S::username, 0},
    {u"identifiant", K::username, S::username, kNotNumeric},
    {u"nome utente", K::username, S::username, 0},
    {u"nombre de usuario", K::username, S::username, 0},
    {u"usuario", K::username, S::username, kNotNumeric},
    {u"gebruikersnaam", K::username, S::username, 0},
    {u"run_as_user", K::username, S::none, 0},
    {u"end_user", K::username, S::none, 0},

    // ---- organisations --------------------------------------------------
    {u"company", K::organization, S::organization, 0},
    {u"organization", K::organization, S::organization, 0},
    {u"organisation", K::organization, S::organization, 0},
    {u"organization_name", K::organization, S::organization, 0},
    {u"org", K::organization, S::organization, kNotNumeric},
    {u"org_name", K::organization, S::organization, 0},
    {u"employer", K::organization, S::organization, kEmployAnchor},
    {u"employer_name", K::organization, S::organization, kEmployAnchor},
    {u"business_name", K::organization, S::organization, 0},
    {u"bank_name", K::organization, S::organization, 0},
    {u"insurer", K::organization, S::organization, 0},
    {u"insurance_provider", K::organization, S::organization, kMedicalAnchor},
    {u"insurance_company", K::organization, S::organization, 0},

    // ---- identifiers of people and their accounts -----------------------
    {u"customer_id", K::identifier, S::identifier, kBare},
    {u"customer_number", K::identifier, S::identifier, kBare},
    {u"customer_no", K::identifier, S::identifier, kBare},
    {u"account_id", K::identifier, S::identifier, kBare},
    {u"account_number", K::identifier, S::identifier, kBare},
    {u"account_no", K::identifier, S::identifier, kBare},
    {u"acct_no", K::identifier, S::identifier, kBare},
    {u"acct", K::identifier, S::identifier, kBare},
    {u"account", K::identifier, S::identifier, kBare},
    {u"medicare_number", K::identifier, S::identifier, kBare},
    {u"medicaid_number", K::identifier, S::identifier, kBare},
    {u"health_insurance_number", K::identifier, S::identifier, kBare},
    {u"acct_number", K::identifier, S::identifier, kBare},
    {u"kontonummer", K::identifier, S::identifier, kBare},
    {u"kundennummer", K::identifier, S::identifier, kBare},
    {u"numéro de compte", K::identifier, S::identifier, kBare},
    {u"numéro client", K::identifier, S::identifier, kBare},
    {u"numero di conto", K::identifier, S::identifier, kBare},
    {u"número de cuenta", K::identifier, S::identifier, kBare},
    {u"numero de cuenta", K::identifier, S::identifier, kBare},
    {u"rekeningnummer", K::identifier, S::identifier, kBare},
    {u"klantnummer", K::identifier, S::identifier, kBare},
    {u"versichertennummer", K::identifier, S::identifier, kBare},
    {u"user_id", K::identifier, S::identifier, kBare},
    {u"member_id", K::identifier, S::identifier, kBare},
    {u"member_number", K::identifier, S::identifier, kBare},
    {u"member_no", K::identifier, S::identifier, kBare},
    {u"membership_no", K::identifier, S::identifier, kBare},
    {u"membership_number", K::identifier, S::identifier, kBare},
    {u"membership_id", K::identifier, S::identifier, kBare},
    {u"client_number", K::identifier, S::identifier, kBare},
    {u"client_no", K::identifier, S::identifier, kBare},
    {u"patient_id", K::identifier, S::identifier, kBare | kMedicalAnchor},
    {u"patient_number", K::identifier, S::identifier, kBare | kMedicalAnchor},
    {u"employee_id", K::identifier, S::identifier, kBare | kEmployAnchor},
    {u"staff_id", K::identifier, S::identifier, kBare | kEmployAnchor},
    {u"student_id", K::identifier, S::identifier, kBare},
    {u"student_number", K::identifier, S::identifier, kBare},
    {u"citizen_id", K::identifier, S::identifier, kBare},
    {u"policy_number", K::identifier, S::identifier, kBare},
    {u"policy_no", K::identifier, S::identifier, kBare},
    {u"subscriber_id", K::identifier, S::identifier, kBare},
    {u"insurance_id", K::identifier, S::identifier, kBare},
    {u"insurance_number", K::identifier, S::identifier, kBare},
    {u"loyalty_number", K::identifier, S::identifier, kBare},
    {u"voter_id", K::identifier, S::identifier, kBare},
    {u"health_card_number", K::identifier, S::identifier, kBare},
    // Technical ids: not identifiers of a person.
    {u"id", K::identifier, S::none, 0},
    {u"request_id", K::identifier, S::none, kSuffix},
    {u"trace_id", K::identifier, S::none, kSuffix},
    {u"span_id", K::identifier, S::none, kSuffix},
    {u"order_id", K::identifier, S::none, kSuffix},
    {u"order_number", K::identifier, S::none, kSuffix},
    {u"order_no", K::identifier, S::none, kSuffix},
    {u"invoice_id", K::identifier, S::none, kSuffix},
    {u"invoice_number", K::identifier, S::none, kSuffix},
    {u"invoice_no", K::identifier, S::none, kSuffix},
    {u"commit_id", K::identifier, S::none, kSuffix},
    {u"build_id", K::identifier, S::none, kSuffix},
    {u"build_number", K::identifier, S::none, kSuffix},
    {u"job_id", K::identifier, S::none, kSuffix},
    {u"run_id", K::identifier, S::none, kSuffix},
    {u"task_id", K::identifier, S::none, kSuffix},
    {u"transaction_id", K::identifier, S::none, kSuffix},
    {u"correlation_id", K::identifier, S::none, kSuffix},
    {u"message_id", K::identifier, S::none, kSuffix},
    {u"event_id", K::identifier, S::none, kSuffix},
    {u"client_id", K::identifier, S::none, 0},
    {u"tracking_number", K::identifier, S::none, kSuffix},
    {u"confirmation_number", K::identifier, S::none, kSuffix},
    {u"reference_number", K::identifier, S::none, kSuffix},
    {u"ticket_number", K::identifier, S::none, kSuffix},

    // ---- dates of birth -------------------------------------------------
    {u"dob", K::birthDate, S::date, kBare},
    {u"date_of_birth", K::birthDate, S::date, kBare},
    {u"birth_date", K::birthDate, S::date, kBare},
    {u"birthdate", K::birthDate, S::date, kBare},
    {u"birthday", K::birthDate, S::date, kBare},
    {u"born", K::birthDate, S::date, kBare},
    {u"born on", K::birthDate, S::date, kBare},
    {u"geburtsdatum", K::birthDate, S::date, kBare},
    {u"geb", K::birthDate, S::date, 0},
    {u"geboren am", K::birthDate, S::date, kBare},
    {u"né le", K::birthDate, S::date, kBare},
    {u"née le", K::birthDate, S::date, kBare},
    {u"data di nascita", K::birthDate, S::date, kBare},
    {u"nato il", K::birthDate, S::date, kBare},
    {u"nata il", K::birthDate, S::date, kBare},
    {u"data de nascimento", K::birthDate, S::date, kBare},
    {u"geboortedatum", K::birthDate, S::date, kBare},
    {u"nacido el", K::birthDate, S::date, kBare},
    {u"date of birth dob", K::birthDate, S::date, kBare},
    {u"date de naissance", K::birthDate, S::date, kBare},
    {u"fecha de nacimiento", K::birthDate, S::date, kBare},
    {u"ngày sinh", K::birthDate, S::date, kBare},
    {u"出生日期", K::birthDate, S::date, 0},
    {u"生年月日", K::birthDate, S::date, 0},
    {u"생년월일", K::birthDate, S::date, 0},
    {u"geboren", K::birthDate, S::date, kBare},
    {u"geburtstag", K::birthDate, S::date, kBare},
    {u"cumpleaños", K::birthDate, S::date, kBare},
    {u"compleanno", K::birthDate, S::date, kBare},
    {u"verjaardag", K::birthDate, S::date, kBare},
    {u"data urodzenia", K::birthDate, S::date, kBare},
    {u"födelsedatum", K::birthDate, S::date, kBare},
    {u"fødselsdato", K::birthDate, S::date, kBare},
    {u"syntymäaika", K::birthDate, S::date, kBare},
    {u"doğum tarihi", K::birthDate, S::date, kBare},
    {u"дата рождения", K::birthDate, S::date, kBare},
    {u"ημερομηνία γέννησης", K::birthDate, S::date, kBare},

    // ---- identity documents ---------------------------------------------
    {u"passport", K::passport, S::document, kBare},
    {u"passport_number", K::passport, S::document, kBare | kSuffix},
    {u"passport_no", K::passport, S::document, kBare | kSuffix},
    {u"passport_id", K::passport, S::document, kBare},
    {u"reisepass", K::passport, S::document, kBare},
    {u"reisepassnummer", K::passport, S::document, kBare},
    {u"passnummer", K::passport, S::document, kBare},
    {u"numéro de passeport", K::passport, S::document, kBare},
    {u"numero de passeport", K::passport, S::document, kBare},
    {u"passeport", K::passport, S::document, kBare},
    {u"pasaporte", K::passport, S::document, kBare},
    {u"número de pasaporte", K::passport, S::document, kBare},
    {u"passaporto", K::passport, S::document, kBare},
    {u"numero di passaporto", K::passport, S::document, kBare},
    {u"paspoortnummer", K::passport, S::document, kBare},
    {u"passaporte", K::passport, S::document, kBare},
    {u"führerschein", K::driverLicense, S::document, kBare},
    {u"führerscheinnummer", K::driverLicense, S::document, kBare},
    {u"permis de conduire", K::driverLicense, S::document, kBare},
    {u"numéro de permis", K::driverLicense, S::document, kBare},
    {u"patente di guida", K::driverLicense, S::document, kBare},
    {u"carnet de conducir", K::driverLicense, S::document, kBare},
    {u"licencia de conducir", K::driverLicense, S::document, kBare},
    {u"rijbewijs", K::driverLicense, S::document, kBare},
    {u"rijbewijsnummer", K::driverLicense, S::document, kBare},
    {u"carteira de motorista", K::driverLicense, S::document, kBare},
    {u"drivers_license", K::driverLicense, S::document, kBare},
    {u"drivers_licence", K::driverLicense, S::document, kBare},
    {u"driver_license", K::driverLicense, S::document, kBare},
    {u"driver_licence", K::driverLicense, S::document, kBare},
    {u"drivers_license_number", K::driverLicense, S::document, kBare},
    {u"drivers_licence_number", K::driverLicense, S::document, kBare},
    {u"driver_license_number", K::driverLicense, S::document, kBare},
    {u"driver_license_no", K::driverLicense, S::document, kBare},
    {u"driver_licence_no", K::driverLicense, S::document, kBare},
    {u"drivers_licence_no", K::driverLicense, S::document, kBare},
    {u"driver_licence_number", K::driverLicense, S::document, kBare},
    {u"drivers_license_no", K::driverLicense, S::document, kBare},
    {u"driving_licence", K::driverLicense, S::document, kBare},
    {u"driving_license", K::driverLicense, S::document, kBare},
    {u"driving_licence_number", K::driverLicense, S::document, kBare},
    {u"dl_number", K::driverLicense, S::document, kBare},
    {u"dl_no", K::driverLicense, S::document, kBare},
    {u"dl", K::driverLicense, S::document, kBare},
    {u"license_number", K::driverLicense, S::document, kBare},
    {u"licence_number", K::driverLicense, S::document, kBare},
    {u"license_no", K::driverLicense, S::document, kBare},
    {u"licence_no", K::driverLicense, S::document, kBare},
    {u"driving_licence_no", K::driverLicense, S::document, kBare},
    {u"driving_license_no", K::driverLicense, S::document, kBare},
    {u"driving_license_number", K::driverLicense, S::document, kBare},
    {u"dl_num", K::driverLicense, S::document, kBare},
    {u"ssn", K::ssn, S::nationalId, kBare | kUsSsn},
    {u"social_security", K::ssn, S::nationalId, kBare | kUsSsn},
    {u"social_security_number", K::ssn, S::nationalId, kBare | kUsSsn},
    {u"social_security_no", K::ssn, S::nationalId, kBare | kUsSsn},
    {u"social_security_num", K::ssn, S::nationalId, kBare | kUsSsn},
    {u"national_id", K::ssn, S::nationalId, kBare},
    {u"national_id_number", K::ssn, S::nationalId, kBare},
    {u"national_identity_number", K::ssn, S::nationalId, kBare},
    {u"national_insurance_number", K::ssn, S::nationalId, kBare},
    {u"national_insurance_no", K::ssn, S::nationalId, kBare},
    {u"ni_number", K::ssn, S::nationalId, kBare},
    {u"nino", K::ssn, S::nationalId, kBare},
    {u"tax_id", K::ssn, S::nationalId, kBare},
    {u"tax_id_number", K::ssn, S::nationalId, kBare},
    {u"taxpayer_id", K::ssn, S::nationalId, kBare},
    {u"tin", K::ssn, S::nationalId, kBare},
    {u"itin", K::ssn, S::nationalId, kBare},
    {u"sin", K::ssn, S::nationalId, 0},
    {u"social_insurance_number", K::ssn, S::nationalId, kBare},
    {u"id_number", K::ssn, S::nationalId, kBare},
    {u"id_no", K::ssn, S::nationalId, kBare},
    {u"identity_number", K::ssn, S::nationalId, kBare},
    {u"id_card_number", K::ssn, S::nationalId, kBare},
    {u"identity_card_number", K::ssn, S::nationalId, kBare},
    {u"cccd", K::ssn, S::nationalId, kBare},
    {u"cmnd", K::ssn, S::nationalId, kBare},
    {u"personnummer", K::ssn, S::nationalId, kBare},
    {u"bsn", K::ssn, S::nationalId, kBare},
    {u"dni", K::ssn, S::nationalId, kBare},
    {u"nie", K::ssn, S::nationalId, kBare},
    {u"nif", K::ssn, S::nationalId, kBare},
    {u"cpf", K::ssn, S::nationalId, kBare},
    {u"curp", K::ssn, S::nationalId, kBare},
    {u"aadhaar", K::ssn, S::nationalId, kBare},
    {u"aadhaar_number", K::ssn, S::nationalId, kBare},
    {u"pesel", K::ssn, S::nationalId, kBare},
    {u"nric", K::ssn, S::nationalId, kBare},
    {u"codice_fiscale", K::ssn, S::nationalId, kBare},
    {u"steuer_id", K::ssn, S::nationalId, kBare},
    {u"steuernummer", K::ssn, S::nationalId, kBare},
    {u"personalausweisnummer", K::ssn, S::nationalId, kBare},
    {u"ausweisnummer", K::ssn, S::nationalId, kBare},
    {u"numéro fiscal", K::ssn, S::nationalId, kBare},
    {u"carte d'identité", K::ssn, S::nationalId, kBare},
    {u"numéro d'identité", K::ssn, S::nationalId, kBare},
    {u"documento de identidad", K::ssn, S::nationalId, kBare},
    {u"carta d'identità", K::ssn, S::nationalId, kBare},
    {u"burgerservicenummer", K::ssn, S::nationalId, kBare},
    {u"numero de identificacion", K::ssn, S::nationalId, kBare},
    {u"número de identificación", K::ssn, S::nationalId, kBare},
    {u"steueridentifikationsnummer", K::ssn, S::nationalId, kBare},
    {u"sozialversicherungsnummer", K::ssn, S::nationalId, kBare},
    {u"pan", K::ssn, S::nationalId, 0},
    {u"pan_number", K::ssn, S::nationalId, kBare},
    {u"pan_card", K::ssn, S::nationalId, kBare},
    {u"tfn", K::ssn, S::nationalId, kBare},
    {u"tax_file_number", K::ssn, S::nationalId, kBare},
    {u"nir", K::ssn, S::nationalId, kBare},
    {u"insee", K::ssn, S::nationalId, kBare},
    {u"numéro de sécurité sociale", K::ssn, S::nationalId, kBare},
    {u"numero de securite sociale", K::ssn, S::nationalId, kBare},
    {u"sécurité sociale", K::ssn, S::nationalId, kBare},
    {u"nhs_number", K::ssn, S::nationalId, kBare | kMedicalAnchor},
    {u"nhs_no", K::ssn, S::nationalId, kBare | kMedicalAnchor},
    {u"rut", K::ssn, S::nationalId, kBare},
    {u"rfc", K::ssn, S::nationalId, 0},
    {u"nik", K::ssn, S::nationalId, kBare},
    {u"hkid", K::ssn, S::nationalId, kBare},
    {u"my_number", K::ssn, S::nationalId, kTwelveDigits},
    {u"ahv_number", K::ssn, S::nationalId, kBare},
    {u"national_insurance", K::ssn, S::nationalId, kBare},
    {u"social_insurance_no", K::ssn, S::nationalId, kBare},
    {u"sin_number", K::ssn, S::nationalId, kBare},
    {u"身份证号", K::ssn, S::nationalId, 0},
    {u"身份证号码", K::ssn, S::nationalId, 0},
    {u"주민등록번호", K::ssn, S::nationalId, 0},

    // ---- addresses ------------------------------------------------------
    {u"address", K::address, S::address, 0},
    {u"street_address", K::address, S::address, kSuffix},
    {u"street", K::address, S::address, 0},
    {u"address_line", K::address, S::address, 0},
    {u"address_line1", K::address, S::address, 0},
    {u"address_line2", K::address, S::address, 0},
    {u"address1", K::address, S::address, 0},
    {u"address2", K::address, S::address, 0},
    {u"addr", K::address, S::address, 0},
    {u"home_address", K::address, S::address, 0},
    {u"mailing_address", K::address, S::address, 0},
    {u"billing_address", K::address, S::address, 0},
    {u"shipping_address", K::address, S::address, 0},
    {u"delivery_address", K::address, S::address, 0},
    {u"postal_address", K::address, S::address, 0},
    {u"residential_address", K::address, S::address, 0},
    {u"permanent_address", K::address, S::address, 0},
    {u"current_address", K::address, S::address, 0},
    {u"adresse", K::address, S::address, 0},
    {u"anschrift", K::address, S::address, 0},
    {u"wohnadresse", K::address, S::address, 0},
    {u"postanschrift", K::address, S::address, 0},
    {u"straße", K::address, S::address, 0},
    {u"strasse", K::address, S::address, 0},
    {u"adresse postale", K::address, S::address, 0},
    {u"indirizzo", K::address, S::address, 0},
    {u"domicilio", K::address, S::address, 0},
    {u"direccion", K::address, S::address, 0},
    {u"endereço", K::address, S::address, 0},
    {u"endereco", K::address, S::address, 0},
    {u"adres", K::address, S::address, 0},
    {u"woonadres", K::address, S::address, 0},
    {u"ville", K::address, S::city, 0},
    {u"stadt", K::address, S::city, 0},
    {u"wohnort", K::address, S::city, 0},
    {u"città", K::address, S::city, 0},
    {u"ciudad", K::address, S::city, 0},
    {u"cidade", K::address, S::city, 0},
    {u"woonplaats", K::address, S::city, 0},
    {u"code postal", K::address, S::postalCode, 0},
    {u"postleitzahl", K::address, S::postalCode, 0},
    {u"código postal", K::address, S::postalCode, 0},
    {u"codigo postal", K::address, S::postalCode, 0},
    {u"postnummer", K::address, S::postalCode, 0},
    {u"dirección", K::address, S::address, 0},
    {u"địa chỉ", K::address, S::address, 0},
    {u"地址", K::address, S::address, 0},
    {u"住所", K::address, S::address, 0},
    {u"주소", K::address, S::address, 0},
    {u"city", K::address, S::city, 0},
    {u"town", K::address, S::city, 0},
    {u"zip", K::address, S::postalCode, 0},
    {u"zip_code", K::address, S::postalCode, 0},
    {u"zipcode", K::address, S::postalCode, 0},
    {u"postcode", K::address, S::postalCode, 0},
    {u"postal_code", K::address, S::postalCode, 0},
    {u"plz", K::address, S::postalCode, 0},
    // Addresses that are not where someone lives.
    {u"email_address", K::address, S::none, kSuffix | kPersonAnchor},
    {u"e_mail_address", K::address, S::none, kSuffix | kPersonAnchor},
    {u"ip_address", K::address, S::none, kSuffix},
    {u"mac_address", K::address, S::none, kSuffix},
    {u"web_address", K::address, S::none, kSuffix},
    {u"server_address", K::address, S::none, kSuffix},
    {u"bind_address", K::address, S::none, kSuffix},
    {u"listen_address", K::address, S::none, kSuffix},
    {u"remote_address", K::address, S::none, kSuffix},
    {u"local_address", K::address, S::none, kSuffix},
    {u"wallet_address", K::address, S::none, kSuffix},
    {u"contract_address", K::address, S::none, kSuffix},

    // Keys of a person's record whose values the pattern rules find or
    // that are not sensitive alone: they only make "name" a person's name.
    {u"email", K::email, S::none, kPersonAnchor},
    {u"e_mail", K::email, S::none, kPersonAnchor},
    {u"gender", K::name, S::none, kPersonAnchor},
    {u"sex", K::name, S::none, kPersonAnchor},
    {u"age", K::name, S::none, kPersonAnchor},
    {u"nationality", K::name, S::none, kPersonAnchor},
    {u"marital_status", K::name, S::none, kPersonAnchor},

    // ---- card security codes and phones ---------------------------------
    {u"cvv", K::cvv, S::cvv, kBare},
    {u"cvv2", K::cvv, S::cvv, kBare},
    {u"cvc", K::cvv, S::cvv, kBare},
    {u"cvc2", K::cvv, S::cvv, kBare},
    {u"cid", K::cvv, S::cvv, 0},
    {u"csc", K::cvv, S::cvv, kBare},
    {u"cvn", K::cvv, S::cvv, kBare},
    {u"security_code", K::cvv, S::cvv, kBare},
    {u"card_security_code", K::cvv, S::cvv, kBare},
    {u"card_code", K::cvv, S::cvv, kBare},
    {u"card_verification_code", K::cvv, S::cvv, kBare},
    {u"card_verification_value", K::cvv, S::cvv, kBare},
    {u"phone", K::phone, S::phone, kSuffix | kBare},
    {u"phone_number", K::phone, S::phone, kSuffix | kBare},
    {u"phones", K::phone, S::phone, kSuffix},
    {u"phone_numbers", K::phone, S::phone, kSuffix},
    {u"phone_no", K::phone, S::phone, kSuffix | kBare},
    {u"tel", K::phone, S::phone, kBare},
    {u"telephone", K::phone, S::phone, kSuffix | kBare},
    {u"telephone_number", K::phone, S::phone, kBare},
    {u"mobile", K::phone, S::phone, kSuffix | kBare},
    {u"mobile_number", K::phone, S::phone, kBare},
    {u"mobile_no", K::phone, S::phone, kBare},
    {u"cell", K::phone, S::phone, kBare},
    {u"cell_phone", K::phone, S::phone, kBare},
    {u"cell_number", K::phone, S::phone, kBare},
    {u"fax", K::phone, S::phone, kSuffix | kBare},
    {u"fax_number", K::phone, S::phone, kBare},
    {u"contact_number", K::phone, S::phone, kBare},
    {u"msisdn", K::phone, S::phone, kBare},
    {u"whatsapp", K::phone, S::phone, kBare},
    {u"telefon", K::phone, S::phone, kBare},
    {u"telefono", K::phone, S::phone, kBare},
    {u"téléphone", K::phone, S::phone, kBare},
    {u"số điện thoại", K::phone, S::phone, kBare},
    {u"电话", K::phone, S::phone, 0},
    {u"手机", K::phone, S::phone, 0},
    {u"電話番号", K::phone, S::phone, 0},
    {u"전화번호", K::phone, S::phone, 0},

    // ---- bank accounts under a label (IBANs are found by their shape) -----
    {u"bank_account", K::iban, S::identifier, kBare},
    {u"bank_account_number", K::iban, S::identifier, kBare},
    {u"bank_account_no", K::iban, S::identifier, kBare},
    // Routing numbers, BSBs, sort codes and SWIFT codes name a bank or a
    // branch, which is public, not the person's account: known, never taken.
    {u"routing_number", K::iban, S::none, kSuffix},
    {u"aba_routing_number", K::iban, S::none, 0},
    {u"aba", K::iban, S::none, 0},
    {u"routing", K::iban, S::none, 0},
    {u"bsb", K::iban, S::none, 0},
    {u"bsb_number", K::iban, S::none, 0},
    {u"sort_code", K::iban, S::none, 0},
    {u"transit_number", K::iban, S::none, 0},
    {u"swift", K::iban, S::none, 0},
    {u"swift_code", K::iban, S::none, 0},
    {u"bic", K::iban, S::none, 0},

    // ---- financial records ----------------------------------------------
    {u"salary", K::financialRecord, S::amount, kSuffix | kEmployAnchor},
    {u"income", K::financialRecord, S::amount, kSuffix},
    {u"wage", K::financialRecord, S::amount, kSuffix},
    {u"wages", K::financialRecord, S::amount, kSuffix},
    {u"bonus", K::financialRecord, S::amount, 0},
    {u"balance", K::financialRecord, S::amount, kSuffix},
    {u"account_balance", K::financialRecord, S::amount, kSuffix},
    {u"credit_score", K::financialRecord, S::amount, 0},
    {u"credit_limit", K::financialRecord, S::amount, 0},
    {u"net_worth", K::financialRecord, S::amount, 0},
    {u"loan_amount", K::financialRecord, S::amount, 0},
    {u"mortgage_balance", K::financialRecord, S::amount, 0},
    {u"debt", K::financialRecord, S::amount, 0},
    {u"total_debt", K::financialRecord, S::amount, 0},
    {u"tax_return", K::financialRecord, S::phrase, 0},
    {u"compensation", K::financialRecord, S::amount, kSuffix | kEmployAnchor},
    {u"pay_rate", K::financialRecord, S::amount, 0},
    {u"hourly_rate", K::financialRecord, S::amount, 0},
    {u"gross_pay", K::financialRecord, S::amount, 0},
    {u"net_pay", K::financialRecord, S::amount, 0},
    {u"load_balance", K::financialRecord, S::none, 0},

    // ---- employment records ---------------------------------------------
    {u"job_title", K::employmentRecord, S::phrase, kEmployAnchor},
    {u"title", K::employmentRecord, S::phrase, kNeedsContext},
    {u"position", K::employmentRecord, S::phrase, kNeedsContext},
    {u"role", K::employmentRecord, S::phrase, kNeedsContext},
    {u"department", K::employmentRecord, S::phrase, kEmployAnchor},
    {u"dept", K::employmentRecord, S::phrase, kEmployAnchor},
    {u"manager", K::employmentRecord, S::phrase, kEmployAnchor},
    {u"reports_to", K::employmentRecord, S::phrase, kEmployAnchor},
    {u"supervisor", K::employmentRecord, S::phrase, kEmployAnchor},
    {u"hire_date", K::employmentRecord, S::phrase, kEmployAnchor},
    {u"start_date", K::employmentRecord, S::phrase, kNeedsContext},
    {u"termination_date", K::employmentRecord, S::phrase, kEmployAnchor},
    {u"termination_reason", K::employmentRecord, S::phrase, kEmployAnchor},
    {u"performance_rating", K::employmentRecord, S::phrase, kEmployAnchor},
    {u"performance_review", K::employmentRecord, S::phrase, kEmployAnchor},
    {u"employee_number", K::employmentRecord, S::identifier, kEmployAnchor | kBare},
    {u"employee_no", K::employmentRecord, S::identifier, kEmployAnchor | kBare},
    {u"employment_status", K::employmentRecord, S::phrase, kEmployAnchor},
    {u"employment_type", K::employmentRecord, S::phrase, kNeedsContext},
    {u"pay_grade", K::employmentRecord, S::phrase, kEmployAnchor},
    {u"job_grade", K::employmentRecord, S::phrase, kEmployAnchor},

    // ---- medical records ------------------------------------------------
    {u"diagnosis", K::medicalRecord, S::phrase, kMedicalAnchor},
    {u"diagnoses", K::medicalRecord, S::phrase, kMedicalAnchor},
    {u"condition", K::medicalRecord, S::phrase, kNeedsContext},
    {u"conditions", K::medicalRecord, S::phrase, kNeedsContext},
    {u"medical_condition", K::medicalRecord, S::phrase, kMedicalAnchor},
    {u"health_condition", K::medicalRecord, S::phrase, kMedicalAnchor},
    {u"medical_history", K::medicalRecord, S::phrase, kMedicalAnchor},
    {u"medication", K::medicalRecord, S::phrase, kMedicalAnchor},
    {u"medications", K::medicalRecord, S::phrase, kMedicalAnchor},
    {u"prescription", K::medicalRecord, S::phrase, kMedicalAnchor},
    {u"prescriptions", K::medicalRecord, S::phrase, kMedicalAnchor},
    {u"allergies", K::medicalRecord, S::phrase, kMedicalAnchor},
    {u"allergy", K::medicalRecord, S::phrase, kMedicalAnchor},
    {u"blood_type", K::medicalRecord, S::phrase, kMedicalAnchor},
    {u"blood_group", K::medicalRecord, S::phrase, kMedicalAnchor},
    {u"icd10", K::medicalRecord, S::phrase, kMedicalAnchor},
    {u"icd_10_code", K::medicalRecord, S::phrase, kMedicalAnchor},
    {u"icd10_code", K::medicalRecord, S::phrase, kMedicalAnchor},
    {u"icd_code", K::medicalRecord, S::phrase, kMedicalAnchor},
    {u"mrn", K::medicalRecord, S::identifier, kMedicalAnchor | kBare},
    {u"medical_record_number", K::medicalRecord, S::identifier, kMedicalAnchor | kBare},
    {u"medical_record_no", K::medicalRecord, S::identifier, kMedicalAnchor | kBare},
    {u"treatment", K::medicalRecord, S::phrase, kNeedsContext},
    {u"lab_result", K::medicalRecord, S::phrase, kMedicalAnchor},
    {u"lab_results", K::medicalRecord, S::phrase, kMedicalAnchor},
    {u"symptoms", K::medicalRecord, S::phrase, kMedicalAnchor},
    {u"chief_complaint", K::medicalRecord, S::phrase, kMedicalAnchor},
    {u"reason_for_visit", K::medicalRecord, S::phrase, kMedicalAnchor},
    {u"dosage", K::medicalRecord, S::phrase, kNeedsContext},
    {u"procedure", K::medicalRecord, S::phrase, kNeedsContext},
});

inline char16_t foldKeyChar(char16_t c) {
  if (c < 0x80) return fieldtext::lowerAscii(c);
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return char16_t(c + 0x20);     // Latin-1
  if (c >= 0x410 && c <= 0x42F) return char16_t(c + 0x20);                // Cyrillic
  if (c >= 0x391 && c <= 0x3A9 && c != 0x3A2) return char16_t(c + 0x20);  // Greek
  return c;
}

inline bool isIgnoredKeyChar(char16_t c) {
  return c == u'_' || c == u'-' || c == u'.' || c == u'\'' || c == 0x2019;
}

bool normalise(std::u16string_view raw, std::u16string& out) {
  out.clear();
  for (char16_t c : raw) {
    if (isIgnoredKeyChar(c) || fieldtext::isBlank(c)) continue;
    if (!fieldtext::isDigit(c) && !fieldtext::isLetter(c)) return false;
    out.push_back(foldKeyChar(c));
  }
  return !out.empty();
}

// What the walk makes of an ASCII character: a digit or a letter is one of
// kSymbols symbols, the rest stop the walk, separate words or are passed over.
constexpr std::size_t kSymbols = 36;
enum : std::int8_t { kKeyStop = -1, kKeyBlank = -2, kKeyIgnored = -3 };
constexpr std::array<std::int8_t, 128> kAsciiKey = [] {
  std::array<std::int8_t, 128> t{};
  t.fill(kKeyStop);
  for (int c = '0'; c <= '9'; ++c) t[std::size_t(c)] = std::int8_t(c - '0');
  for (int c = 'a'; c <= 'z'; ++c) t[std::size_t(c)] = std::int8_t(10 + c - 'a');
  for (int c = 'A'; c <= 'Z'; ++c) t[std::size_t(c)] = std::int8_t(10 + c - 'A');
  t[' '] = t['\t'] = kKeyBlank;
  t['_'] = t['-'] = t['.'] = t['\''] = kKeyIgnored;
  return t;
}();

// The keys reversed in a trie, so that a key is read backwards from its
// separator and the longest known ending is found in one walk. A digit or an
// ASCII letter steps through a table row per node; other letters, rare in
// keys, through a short list.
class Trie {
 public:
  Trie() {
    addNode();
    std::u16string norm;
    for (const KeyRule& rule : kTable) {
      normalise(rule.key, norm);
      int n = 0;
      for (auto it = norm.rbegin(); it != norm.rend(); ++it) {
        int child = step(n, *it);
        if (child < 0) {
          child = addNode();
          if (*it < 128)
            ascii_[std::size_t(n) * kSymbols + std::size_t(kAsciiKey[*it])] = std::uint16_t(child);
          else
            other_[std::size_t(n)].emplace_back(*it, child);
        }
        n = child;
      }
      if (!rules_[std::size_t(n)]) rules_[std::size_t(n)] = &rule;
    }
    for (std::uint16_t& e : ascii_)
      if (e && rules_[e]) e |= kHasRule;
  }

  // An entry of a node's row: 0 for no child, else the child, with kHasRule
  // set where a key ends there, so that the walk reads one entry a step.
  static constexpr int kHasRule = 0x8000, kNode = 0x7FFF;
  int entry(int n, int symbol) const {
    return ascii_[std::size_t(n) * kSymbols + std::size_t(symbol)];
  }

  // The child of node n for a folded character, or -1.
  int step(int n, char16_t c) const {
    if (c < 128) return kAsciiKey[c] < 0 ? -1 : stepSymbol(n, kAsciiKey[c]);
    for (auto [e, child] : other_[std::size_t(n)])
      if (e == c) return child;
    return -1;
  }
  // The child of node n for a digit or letter's symbol, or -1.
  int stepSymbol(int n, int symbol) const {
    const int child = entry(n, symbol) & kNode;
    return child ? child : -1;  // the root is nobody's child
  }

  const KeyRule* rule(int n) const { return rules_[std::size_t(n)]; }

 private:
  int addNode() {
    rules_.push_back(nullptr);
    other_.emplace_back();
    ascii_.resize(ascii_.size() + kSymbols);
    return int(rules_.size()) - 1;
  }

  std::vector<const KeyRule*> rules_;
  std::vector<std::uint16_t> ascii_;  // kSymbols children per node; 0 for none
  static_assert(
      [] {
        std::size_t chars = 1;
        for (const KeyRule& r : kTable) chars += r.key.size();
        return chars;
      }() <= kNode,
      "more nodes than a row entry can name");
  std::vector<std::vector<std::pair<char16_t, int>>> other_;
};

// Inline: matchKeyBefore() asks for it on every key, and the first-use check is one compare.
[[gnu::always_inline]] inline const Trie& trie() {
  static const Trie t;
  return t;
}

}  // namespace

unsigned anchorGroups(const KeyRule& rule) {
  unsigned groups = 0;
  const bool taken = !(rule.flags & kNeedsContext) && rule.shape != S::none;
  if ((rule.flags & kEmployAnchor) || (taken && rule.kind == K::employmentRecord))
    groups |= kEmployment;
  if ((rule.flags & kMedicalAnchor) || (taken && rule.kind == K::medicalRecord)) groups |= kMedical;
  if (rule.flags & kPersonAnchor) groups |= kPerson;
  if (taken) {
    switch (rule.kind) {
      case K::name:
      case K::username:
      case K::identifier:
      case K::birthDate:
      case K::ssn:
      case K::passport:
      case K::driverLicense:
      case K::phone:
      case K::address:
        groups |= kPerson;
        break;
      default:
        break;
    }
  }
  return groups;
}

unsigned neededGroup(const KeyRule& rule) {
  if (rule.kind == K::employmentRecord) return kEmployment;
  if (rule.kind == K::medicalRecord) return kMedical;
  return kPerson;
}

namespace {
// Past the blank before p to the word before it: false when the walk ends
// there (too many words, or more than two blanks).
bool nextWord(std::u16string_view text, int begin, int& p, int& words, int maxWords) {
  using fieldtext::isBlank;
  if (words >= maxWords) return false;
  int q = p - 1;
  while (q > begin && isBlank(text[q - 1]) && p - q < 2) --q;
  if (q == begin || isBlank(text[q - 1])) return false;
  ++words;
  p = q;
  return true;
}
}  // namespace

KeyMatch matchKeyBefore(std::u16string_view text, int begin, int end, int maxWords,
                        bool wholeOnly) {
  using namespace fieldtext;
  const Trie& tr = trie();
  KeyMatch best;
  int p = end, words = 1, node = 0;
  while (p > begin) {
    const char16_t c = text[p - 1];
    // One test for the common step, a digit or an ASCII letter: the other
    // ASCII characters have negative values, and so has all past ASCII.
    const int k = c < 128 ? kAsciiKey[c] : -128;
    if (k >= 0) {
      const int e = tr.entry(node, k);
      if (!e) break;
      node = e & Trie::kNode;
      --p;
      if (!(e & Trie::kHasRule)) continue;
    } else if (c < 128) {
      if (k == kKeyStop) break;
      if (k == kKeyIgnored) {
        --p;
        continue;
      }
      if (!nextWord(text, begin, p, words, maxWords)) break;
      continue;
    } else if (isBlank(c)) {
      if (!nextWord(text, begin, p, words, maxWords)) break;
      continue;
    } else if (isIgnoredKeyChar(c)) {
      --p;
      continue;
    } else if (!isLetter(c)) {
      break;
    } else {
      node = tr.step(node, foldKeyChar(c));
      if (node < 0) break;
      --p;
    }
    const KeyRule* rule = tr.rule(node);
    if (!rule) continue;
    const bool atStart = p == begin;
    const bool boundary = atStart || !(isAlnum(text[p - 1]) || isIgnoredKeyChar(text[p - 1]));
    if (rule->flags & kCompound) {
      const char16_t before = atStart ? u'\0' : text[p - 1];
      if (!atStart &&
          (isIgnoredKeyChar(before) || isBlank(before) || (isLower(before) && isUpper(text[p]))))
        best = {rule, p};
    } else if (wholeOnly ? (atStart || (rule->flags & kSuffix))
                         : (boundary || (rule->flags & kSuffix))) {
      best = {rule, p};
    }
  }
  return best;
}

unsigned keyEndingDigits() {
  unsigned bits = 0;
  for (int d = 0; d < 10; ++d)
    if (trie().stepSymbol(0, kAsciiKey[std::size_t('0' + d)]) >= 0) bits |= 1u << d;
  return bits;
}

}  // namespace clipvane::detect
