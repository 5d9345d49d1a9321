#pragma once
// The issuer table of API keys: each service's documented prefix, the length
// of what follows it and the characters it is written in. The scan asks the
// table at every word whose first two characters begin a prefix, so the
// table also yields the pairs it filters words by.
#include <array>
#include <cstdint>
#include <string_view>

namespace clipvane::detect {

enum class Alphabet : std::uint8_t {
  upperDigit,
  alnum,
  lowerAlnum,
  alnumUnderscore,
  token,
  tokenPadded,
  lowerHex,
  hex,
  base64,
  alnumDot,  // Airtable's "pat….…" (checked further by its Check)
  alnumDollar,
};

// What a body must show beyond its length and alphabet.
enum class Check : std::uint8_t {
  none,
  mixed,         // upper and lower case letters and a digit: prefixes common in words or code
  letterDigit,   // a letter and a digit
  uuid,          // 8-4-4-4-12 hexadecimal groups
  airtable,      // 14 letters or digits, ".", 64 hexadecimal digits
  dynatrace,     // 24 capitals or digits, ".", 64 capitals or digits
  braintree,     // 16 letters or digits, "$", 32 hexadecimal digits
  flutterwave,   // 32 hexadecimal digits and "-X"
  brevo,         // 64 hexadecimal digits, "-", 16 letters or digits
  cloudflareCa,  // 24 hexadecimal digits, "-", 146 hexadecimal digits
  langsmith,     // 32 hexadecimal digits, "_", 10 hexadecimal digits
};

struct KeyShape {
  std::u16string_view prefix;  // case-sensitive, two characters or more
  int minBody, maxBody;
  Alphabet alphabet;
  Check check = Check::none;
};

// Longer prefixes before the shorter ones they begin with: the first prefix
// that matches decides.
inline constexpr KeyShape kKeyShapes[] = {
    // AWS access key ids (long-term, temporary), STS bearer tokens and
    // context credentials.
    {u"AKIA", 16, 16, Alphabet::upperDigit},
    {u"ASIA", 16, 16, Alphabet::upperDigit},
    {u"ABIA", 16, 16, Alphabet::upperDigit},
    {u"ACCA", 16, 16, Alphabet::upperDigit},
    // GitHub
    {u"ghp_", 36, 36, Alphabet::alnum},
    {u"gho_", 36, 36, Alphabet::alnum},
    {u"ghu_", 36, 36, Alphabet::alnum},
    {u"ghs_", 36, 36, Alphabet::alnum},
    {u"ghr_", 36, 36, Alphabet::alnum},
    {u"github_pat_", 82, 82, Alphabet::alnumUnderscore},
    // GitLab
    {u"glpat-", 20, 300, Alphabet::token},
    {u"glptt-", 20, 300, Alphabet::token},
    {u"glrt-", 20, 300, Alphabet::token},
    {u"gldt-", 20, 300, Alphabet::token},
    {u"glft-", 20, 300, Alphabet::token},
    {u"glsoat-", 20, 300, Alphabet::token},
    {u"glcbt-", 20, 300, Alphabet::token},
    {u"glimt-", 20, 300, Alphabet::token},
    {u"glagent-", 20, 300, Alphabet::token},
    {u"gloas-", 20, 300, Alphabet::token},
    {u"glffct-", 20, 300, Alphabet::token},
    {u"GR1348941", 20, 20, Alphabet::token},
    // Slack
    {u"xoxe.xoxp-", 40, 300, Alphabet::token},
    {u"xoxe.xoxb-", 40, 300, Alphabet::token},
    {u"xoxe-", 40, 300, Alphabet::token},
    {u"xapp-", 30, 250, Alphabet::token},
    {u"xoxb-", 10, 250, Alphabet::token},
    {u"xoxa-", 10, 250, Alphabet::token},
    {u"xoxp-", 10, 250, Alphabet::token},
    {u"xoxr-", 10, 250, Alphabet::token},
    {u"xoxs-", 10, 250, Alphabet::token},
    // Stripe; ElevenLabs' "sk_" keys are 48 hexadecimal digits.
    {u"sk_live_", 24, 247, Alphabet::alnum},
    {u"sk_test_", 24, 247, Alphabet::alnum},
    {u"rk_live_", 24, 247, Alphabet::alnum},
    {u"rk_test_", 24, 247, Alphabet::alnum},
    {u"pk_live_", 24, 247, Alphabet::alnum},
    {u"sk_", 48, 48, Alphabet::lowerHex},
    // OpenAI, Anthropic, OpenRouter
    {u"sk-ant-", 80, 120, Alphabet::token},
    {u"sk-proj-", 40, 250, Alphabet::token},
    {u"sk-svcacct-", 40, 250, Alphabet::token},
    {u"sk-admin-", 40, 250, Alphabet::token},
    {u"sk-or-v1-", 64, 64, Alphabet::lowerHex},
    {u"sk-None-", 40, 250, Alphabet::token},
    {u"sk-", 32, 64, Alphabet::alnum, Check::letterDigit},
    // Google
    {u"AIza", 35, 35, Alphabet::token},
    {u"GOCSPX-", 28, 28, Alphabet::token},
    {u"ya29.", 30, 2048, Alphabet::token},
    // Package registries: npm, PyPI, RubyGems, NuGet, crates.io, Clojars
    {u"npm_", 36, 36, Alphabet::alnum},
    {u"pypi-AgE", 50, 600, Alphabet::token},
    {u"rubygems_", 48, 48, Alphabet::lowerHex},
    {u"oy2", 43, 43, Alphabet::lowerAlnum, Check::letterDigit},
    {u"cio", 32, 32, Alphabet::alnum, Check::mixed},
    {u"CLOJARS_", 60, 60, Alphabet::lowerHex},
    // Hugging Face
    {u"hf_", 30, 40, Alphabet::alnum},
    {u"api_org_", 30, 40, Alphabet::alnum},
    // Twilio API key and account ids
    {u"AC", 32, 32, Alphabet::lowerHex},
    {u"SK", 32, 32, Alphabet::lowerHex},
    // Shopify
    {u"shpat_", 32, 32, Alphabet::hex},
    {u"shpca_", 32, 32, Alphabet::hex},
    {u"shppa_", 32, 32, Alphabet::hex},
    {u"shpss_", 32, 32, Alphabet::hex},
    // DigitalOcean
    {u"dop_v1_", 64, 64, Alphabet::lowerHex},
    {u"doo_v1_", 64, 64, Alphabet::lowerHex},
    {u"dor_v1_", 64, 64, Alphabet::lowerHex},
    // Atlassian API tokens, Bitbucket access tokens and app passwords
    {u"ATATT3", 150, 300, Alphabet::tokenPadded},
    {u"ATCTT3", 150, 300, Alphabet::tokenPadded},
    {u"ATBB", 32, 32, Alphabet::alnum, Check::letterDigit},
    // Square
    {u"sq0atp-", 22, 22, Alphabet::token},
    {u"sq0csp-", 43, 43, Alphabet::token},
    {u"EAAA", 50, 80, Alphabet::token},
    // SonarQube user, project and global analysis tokens
    {u"squ_", 40, 40, Alphabet::lowerHex},
    {u"sqp_", 40, 40, Alphabet::lowerHex},
    {u"sqa_", 40, 40, Alphabet::lowerHex},
    // Databricks, Mailgun, Stripe webhook secrets
    {u"dapi", 32, 32, Alphabet::lowerHex},
    {u"key-", 32, 32, Alphabet::lowerHex},
    {u"whsec_", 32, 64, Alphabet::alnum},
    // Language-model services: Groq, xAI, Replicate, Perplexity, LangSmith, Pinecone
    {u"gsk_", 52, 52, Alphabet::alnum},
    {u"xai-", 80, 80, Alphabet::alnum},
    {u"r8_", 37, 37, Alphabet::alnum},
    {u"pplx-", 48, 48, Alphabet::alnum},
    {u"lsv2_pt_", 43, 43, Alphabet::alnumUnderscore, Check::langsmith},
    {u"lsv2_sk_", 43, 43, Alphabet::alnumUnderscore, Check::langsmith},
    {u"pcsk_", 50, 100, Alphabet::alnumUnderscore, Check::letterDigit},
    // Linear, Postman, New Relic
    {u"lin_api_", 40, 40, Alphabet::alnum},
    {u"lin_oauth_", 64, 64, Alphabet::lowerHex},
    {u"PMAK-", 59, 59, Alphabet::token},
    {u"NRAK-", 27, 27, Alphabet::upperDigit},
    {u"NRII-", 32, 32, Alphabet::token},
    // Sentry, Grafana
    {u"sntrys_", 60, 400, Alphabet::tokenPadded},
    {u"sntryu_", 64, 64, Alphabet::lowerHex},
    {u"glsa_", 41, 41, Alphabet::alnumUnderscore},
    {u"glc_", 32, 400, Alphabet::tokenPadded},
    // Doppler
    {u"dp.pt.", 43, 43, Alphabet::alnum},
    {u"dp.st.", 43, 43, Alphabet::alnum},
    {u"dp.ct.", 40, 44, Alphabet::alnum},
    {u"dp.sa.", 40, 44, Alphabet::alnum},
    {u"dp.scim.", 40, 44, Alphabet::alnum},
    {u"dp.audit.", 40, 44, Alphabet::alnum},
    // Netlify, Pulumi, Figma, Supabase, Notion
    {u"nfp_", 36, 36, Alphabet::alnum},
    {u"pul-", 40, 40, Alphabet::lowerHex},
    {u"figd_", 40, 40, Alphabet::token},
    {u"sbp_", 40, 40, Alphabet::lowerHex},
    {u"sb_secret_", 30, 50, Alphabet::token},
    {u"ntn_", 40, 50, Alphabet::alnum},
    {u"secret_", 43, 43, Alphabet::alnum, Check::mixed},
    // Docker Hub personal and organisation access tokens
    {u"dckr_pat_", 24, 40, Alphabet::token},
    {u"dckr_oat_", 24, 40, Alphabet::token},
    // HashiCorp Vault service, batch and recovery tokens, and the service
    // tokens of Vault before 1.10
    {u"hvs.", 24, 255, Alphabet::token},
    {u"hvb.", 24, 1024, Alphabet::token},
    {u"hvr.", 24, 64, Alphabet::token},
    {u"s.", 24, 24, Alphabet::alnum, Check::mixed},
    // JFrog API keys, CircleCI personal and project tokens, Buildkite
    {u"AKCp", 69, 69, Alphabet::alnum},
    {u"CCIPAT_", 40, 80, Alphabet::token},
    {u"CCIPRJ_", 40, 80, Alphabet::token},
    {u"bkua_", 40, 40, Alphabet::lowerHex},
    // Tailscale
    {u"tskey-auth-", 30, 80, Alphabet::token, Check::letterDigit},
    {u"tskey-api-", 30, 80, Alphabet::token, Check::letterDigit},
    {u"tskey-client-", 30, 80, Alphabet::token, Check::letterDigit},
    {u"tskey-scim-", 30, 80, Alphabet::token, Check::letterDigit},
    {u"tskey-webhook-", 30, 80, Alphabet::token, Check::letterDigit},
    // 1Password service accounts: "ops_" and a base64 JSON document
    {u"ops_eyJ", 100, 2048, Alphabet::tokenPadded},
    // Shipping and payments: Shippo, EasyPost, Duffel, Flutterwave, Razorpay,
    // Plaid, Braintree, Mollie, WooCommerce, Xendit
    {u"shippo_live_", 40, 40, Alphabet::lowerHex},
    {u"shippo_test_", 40, 40, Alphabet::lowerHex},
    {u"EZAK", 54, 54, Alphabet::alnum},
    {u"EZTK", 54, 54, Alphabet::alnum},
    {u"duffel_live_", 43, 43, Alphabet::token},
    {u"duffel_test_", 43, 43, Alphabet::token},
    {u"FLWSECK_TEST-", 34, 34, Alphabet::token, Check::flutterwave},
    {u"FLWSECK-", 34, 34, Alphabet::token, Check::flutterwave},
    {u"rzp_live_", 14, 14, Alphabet::alnum, Check::letterDigit},
    {u"rzp_test_", 14, 14, Alphabet::alnum, Check::letterDigit},
    {u"access-production-", 36, 36, Alphabet::token, Check::uuid},
    {u"access-development-", 36, 36, Alphabet::token, Check::uuid},
    {u"access-sandbox-", 36, 36, Alphabet::token, Check::uuid},
    {u"access_token$production$", 49, 49, Alphabet::alnumDollar, Check::braintree},
    {u"access_token$sandbox$", 49, 49, Alphabet::alnumDollar, Check::braintree},
    {u"live_", 30, 30, Alphabet::alnum, Check::mixed},
    {u"test_", 30, 30, Alphabet::alnum, Check::mixed},
    {u"ck_", 40, 40, Alphabet::lowerHex},
    {u"cs_", 40, 40, Alphabet::lowerHex},
    {u"xnd_production_", 40, 80, Alphabet::token},
    {u"xnd_development_", 40, 80, Alphabet::token},
    // HubSpot private apps (before Airtable's "pat"), Airtable personal access
    // tokens, Dropbox short-lived tokens, Contentful
    {u"pat-na1-", 36, 36, Alphabet::token, Check::uuid},
    {u"pat-eu1-", 36, 36, Alphabet::token, Check::uuid},
    {u"pat", 79, 79, Alphabet::alnumDot, Check::airtable},
    {u"sl.u.", 100, 1400, Alphabet::token},
    {u"sl.", 130, 1400, Alphabet::token},
    {u"CFPAT-", 43, 43, Alphabet::token},
    // Product analytics and workflow services: PostHog, Prefect, ReadMe, PlanetScale
    {u"phx_", 40, 50, Alphabet::alnum},
    {u"pnu_", 36, 36, Alphabet::alnum},
    {u"pnb_", 36, 36, Alphabet::alnum},
    {u"rdme_", 64, 80, Alphabet::lowerAlnum, Check::letterDigit},
    {u"pscale_tkn_", 32, 64, Alphabet::token},
    {u"pscale_pw_", 32, 64, Alphabet::token},
    {u"pscale_oauth_", 32, 64, Alphabet::token},
    // Mail: Brevo, MailerSend
    {u"xkeysib-", 81, 81, Alphabet::token, Check::brevo},
    {u"xsmtpsib-", 81, 81, Alphabet::token, Check::brevo},
    {u"mlsn.", 64, 64, Alphabet::lowerHex},
    // Clouds: Alibaba Cloud, Tencent Cloud, Scaleway, Cloudflare Origin CA,
    // Fly.io, Render, Octopus Deploy, Sourcegraph, Dynatrace, Frame.io
    {u"LTAI", 12, 20, Alphabet::alnum, Check::letterDigit},
    {u"AKID", 32, 32, Alphabet::alnum},
    {u"SCW", 17, 17, Alphabet::upperDigit, Check::letterDigit},
    {u"v1.0-", 171, 171, Alphabet::token, Check::cloudflareCa},
    {u"fm2_", 100, 4096, Alphabet::base64},
    {u"rnd_", 32, 32, Alphabet::alnum, Check::mixed},
    {u"API-", 25, 32, Alphabet::upperDigit, Check::letterDigit},
    {u"sgp_", 40, 80, Alphabet::token, Check::letterDigit},
    {u"dt0c01.", 89, 89, Alphabet::alnumDot, Check::dynatrace},
    {u"fio-u-", 60, 70, Alphabet::token, Check::letterDigit},
    // Adafruit IO, Typeform
    {u"aio_", 28, 28, Alphabet::alnum, Check::letterDigit},
    {u"tfp_", 40, 64, Alphabet::token, Check::letterDigit},
};

// Keys published in the issuers' own documentation, and the example token
// of the JSON Web Token introduction: anyone may read them.
inline constexpr std::u16string_view kDocumentationKeys[] = {
    u"sk_test_4eC39HqLyjWDarjtT1zdp7dc", u"sk_test_BQokikJOvBiI2HlWgH4olfQ2",
    u"pk_test_TYooMQauvdEDq54NiTphI7jx", u"sk_test_26PHem9AhJZvU623DfE1x4sd",
    u"eyJhbGciOiJIUzI1NiIsInR5cCI6IkpXVCJ9.eyJzdWIiOiIxMjM0NTY3ODkwIiwibmFtZSI6IkpvaG4gRG9lIiwiaWF0"
    u"IjoxNTE2MjM5MDIyfQ.SflKxwRJSMeKKF2QT4fwpMeJf36POk6yJV_adQssw5c"};

// The first two characters of the keys read by hand rather than from the
// table: "jdbc:", JSON Web Tokens and base64 JSON tokens ("eyJ"), SendGrid
// ("SG."), Telegram bot paths ("bot123…"), Discord bot tokens (a user id in
// base64), Azure connection strings ("AccountKey=", "SharedAccessKey="),
// Mapbox ("sk.eyJ", "tk.eyJ"), Firebase server keys and X bearer tokens
// ("AAAA…").
inline constexpr std::u16string_view kHandReadStarts[] = {u"jd", u"ey", u"SG", u"bo", u"MT", u"Mj",
                                                          u"Mz", u"ND", u"NT", u"Nj", u"Nz", u"OD",
                                                          u"OT", u"Ac", u"Sh", u"sk", u"tk", u"AA"};

// Bit (second & 63) of entry [first]: a key may start with those two
// characters. A few pairs share bits; they only send a word the long way.
inline constexpr std::array<std::uint64_t, 128> kKeyPairs = [] {
  std::array<std::uint64_t, 128> t{};
  for (const KeyShape& shape : kKeyShapes) {
    if (shape.prefix.size() < 2 || shape.prefix[0] >= 128) throw "a prefix too short or not ASCII";
    t[shape.prefix[0]] |= std::uint64_t(1) << (shape.prefix[1] & 63);
  }
  for (std::u16string_view start : kHandReadStarts)
    t[start[0]] |= std::uint64_t(1) << (start[1] & 63);
  return t;
}();

// The same pairs, exactly.
inline constexpr std::array<std::array<std::uint64_t, 2>, 128> kKeyPairsExact = [] {
  std::array<std::array<std::uint64_t, 2>, 128> t{};
  auto set = [&](char16_t a, char16_t b) {
    if (b < 128) t[a][b >> 6] |= std::uint64_t(1) << (b & 63);
  };
  for (const KeyShape& shape : kKeyShapes) set(shape.prefix[0], shape.prefix[1]);
  for (std::u16string_view start : kHandReadStarts) set(start[0], start[1]);
  return t;
}();

constexpr bool keyStart(char16_t a, char16_t b) {
  return a < 128 && b < 128 && ((kKeyPairsExact[a][b >> 6] >> (b & 63)) & 1) != 0;
}

}  // namespace clipvane::detect
