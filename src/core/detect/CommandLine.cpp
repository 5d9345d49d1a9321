#include "CommandLine.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <string_view>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "FieldKeys.h"
#include "FieldText.h"
#include "FieldValues.h"

namespace clipvane::detect::CommandLine {

// Literals compared in the hot paths carry their length: no count at run time.
using namespace std::string_view_literals;
namespace {

using namespace fieldtext;
using View = std::u16string_view;

// How a command takes its credentials besides the long flags every command
// shares ("--password …", "--token …", "--username …").
enum class Family : std::uint8_t {
  plain,      // long flags only
  curl,       // -u user:password, -U (proxy) user:password
  mysql,      // -u user, -ppassword (glued: a lone -p asks for it)
  postgres,   // -U user
  userPass,   // -u user -p password
  userPassP,  // -u user -P password
  redis,      // -a password
  sshpass,    // -p password
  registry,   // "… login -u user -p password"
  smb,        // -U [domain\]user[%password]
  windows,    // /user:[domain\]user
  ssh,        // -l user
  lftp,       // -u user[,password]
  ldap,       // -D "cn=user,…" -w password
  sqlcmd,     // -U user -P password
  sqlplus,    // user/password@db
  rdp,        // /u:user /p:password
  htpasswd,   // -b file user password
  openssl,    // -pass pass:…, -passin pass:…, -k password
  mount,      // -o username=…,password=…
  rabbitmq,   // add_user user password
  leadIn,     // a prompt, "sudo" and the like: the command follows
};

struct Command {
  std::u16string_view name;
  Family family;
};

constexpr Command kCommands[] = {
    {u"curl", Family::curl},
    {u"wget", Family::plain},
    {u"mysql", Family::mysql},
    {u"mysqldump", Family::mysql},
    {u"mysqladmin", Family::mysql},
    {u"mysqlimport", Family::mysql},
    {u"mysqlshow", Family::mysql},
    {u"mysqlcheck", Family::mysql},
    {u"mariadb", Family::mysql},
    {u"mariadb-dump", Family::mysql},
    {u"psql", Family::postgres},
    {u"pg_dump", Family::postgres},
    {u"pg_dumpall", Family::postgres},
    {u"pg_restore", Family::postgres},
    {u"createdb", Family::postgres},
    {u"dropdb", Family::postgres},
    {u"vacuumdb", Family::postgres},
    {u"pgbench", Family::postgres},
    {u"mongo", Family::userPass},
    {u"mongosh", Family::userPass},
    {u"mongodump", Family::userPass},
    {u"mongorestore", Family::userPass},
    {u"mongoexport", Family::userPass},
    {u"mongoimport", Family::userPass},
    {u"cqlsh", Family::userPass},
    {u"rdesktop", Family::userPass},
    {u"psexec", Family::userPass},
    {u"psexec64", Family::userPass},
    {u"twine", Family::userPass},
    {u"ncftp", Family::userPass},
    {u"mosquitto_pub", Family::userPassP},
    {u"mosquitto_sub", Family::userPassP},
    {u"redis-cli", Family::redis},
    {u"sshpass", Family::sshpass},
    {u"docker", Family::registry},
    {u"podman", Family::registry},
    {u"nerdctl", Family::registry},
    {u"buildah", Family::registry},
    {u"skopeo", Family::registry},
    {u"helm", Family::registry},
    {u"oras", Family::registry},
    {u"crane", Family::registry},
    {u"az", Family::registry},
    {u"smbclient", Family::smb},
    {u"rpcclient", Family::smb},
    {u"smbmap", Family::smb},
    {u"smbget", Family::smb},
    {u"net", Family::windows},
    {u"runas", Family::windows},
    {u"ssh", Family::ssh},
    {u"scp", Family::ssh},
    {u"sftp", Family::ssh},
    {u"slogin", Family::ssh},
    {u"lftp", Family::lftp},
    {u"ldapsearch", Family::ldap},
    {u"ldapmodify", Family::ldap},
    {u"ldapadd", Family::ldap},
    {u"ldapdelete", Family::ldap},
    {u"ldapwhoami", Family::ldap},
    {u"ldappasswd", Family::ldap},
    {u"sqlcmd", Family::sqlcmd},
    {u"bcp", Family::sqlcmd},
    {u"sqlplus", Family::sqlplus},
    {u"xfreerdp", Family::rdp},
    {u"wlfreerdp", Family::rdp},
    {u"htpasswd", Family::htpasswd},
    {u"openssl", Family::openssl},
    {u"mount", Family::mount},
    {u"mount.cifs", Family::mount},
    {u"rabbitmqctl", Family::rabbitmq},
    {u"kubectl", Family::plain},
    {u"svn", Family::plain},
    {u"gh", Family::plain},
    {u"glab", Family::plain},
    {u"vault", Family::plain},
    {u"npm", Family::plain},
    {u"influx", Family::plain},
    {u"clickhouse-client", Family::plain},
    {u"git", Family::plain},
    {u"heroku", Family::plain},
    {u"echo", Family::plain},
    {u"printf", Family::plain},
    {u"cd", Family::plain},
    {u"export", Family::plain},
    // Words before a command that leave it the command: prompts, "sudo" and the like.
    {u"$", Family::leadIn},
    {u"#", Family::leadIn},
    {u">", Family::leadIn},
    {u"%", Family::leadIn},
    {u"!", Family::leadIn},
    {u"ps>", Family::leadIn},
    {u"sudo", Family::leadIn},
    {u"env", Family::leadIn},
    {u"time", Family::leadIn},
    {u"nohup", Family::leadIn},
    {u"exec", Family::leadIn},
    {u"run", Family::leadIn},
    {u"then", Family::leadIn},
    {u"do", Family::leadIn},
    {u"else", Family::leadIn},
};

// The names by their first character, and bit n of lengths[c]: a name of n
// characters starts with c, for a first look at a line's first word.
struct NamesByFirst {
  std::array<std::uint32_t, 128> lengths{};
  std::array<std::uint8_t, 128> begin{}, count{};
  std::array<std::uint8_t, std::size(kCommands)> index{};
};

constexpr NamesByFirst kByFirst = [] {
  static_assert(std::size(kCommands) < 256);
  NamesByFirst t;
  std::size_t n = 0;
  for (std::size_t c = 0; c < 128; ++c) {
    t.begin[c] = std::uint8_t(n);
    for (std::size_t k = 0; k < std::size(kCommands); ++k) {
      const std::u16string_view name = kCommands[k].name;
      if (name[0] != c) continue;
      if (name.size() >= 32) throw "a name too long for the length mask";
      t.index[n++] = std::uint8_t(k);
      t.lengths[c] |= std::uint32_t(1) << name.size();
    }
    t.count[c] = std::uint8_t(n - t.begin[c]);
  }
  return t;
}();

// The characters of a command's path and name, and of the prompts: kHead,
// and kPath too for the separators of a path.
constexpr std::uint8_t kHead = 1, kPath = 2;
constexpr std::array<std::uint8_t, 128> kHeadChars = [] {
  std::array<std::uint8_t, 128> t{};
  for (char16_t c = 0; c < 128; ++c) {
    const bool head = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') ||
                      (c >= u'0' && c <= u'9') ||
                      std::u16string_view(u"._-/\\$#>%!:").find(c) != std::u16string_view::npos;
    t[c] = head ? std::uint8_t(kHead | (c == u'/' || c == u'\\' ? kPath : 0)) : 0;
  }
  return t;
}();

struct Token {
  int b, e;    // the text, without the quotes around it
  int rb, re;  // as written
};

bool equalsFolded(View a, View lowerWord) {
  if (a.size() != lowerWord.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (lowerAscii(a[i]) != lowerWord[i]) return false;
  return true;
}

bool separator(View raw) {
  return raw == u"&&"sv || raw == u"||"sv || raw == u"|"sv || raw == u";"sv || raw == u"&"sv;
}

// A command's file name ("/usr/bin/curl", "PsExec.exe" give "curl", "PsExec").
View fileName(View word) {
  for (std::size_t k = word.size(); k-- > 0;)
    if (word[k] == u'/' || word[k] == u'\\') {
      word.remove_prefix(k + 1);
      break;
    }
  if (word.size() > 4 && equalsFolded(word.substr(word.size() - 4), u".exe")) word.remove_suffix(4);
  return word;
}

// The command or lead-in a word names, looked up among those of its first character.
const Command* named(View word) {
  if (word.empty() || word.size() >= 32 || word[0] >= 128) return nullptr;
  const char16_t first = lowerAscii(word[0]);
  if (((kByFirst.lengths[first] >> word.size()) & 1) == 0) return nullptr;
  for (std::size_t k = 0; k < kByFirst.count[first]; ++k) {
    const Command& c = kCommands[kByFirst.index[kByFirst.begin[first] + k]];
    if (equalsFolded(word, c.name)) return &c;
  }
  return nullptr;
}

// Whether the line [first, end) may run a command: its first word, read no
// further than it is made of what names one, names one or a lead-in.
bool commandHead(View t, int first, int end) {
  if (first >= end || t[first] >= 128) return false;
  // A head of more than 40 characters names nothing: the 41st ends the look.
  const int limit = std::min(end, first + 41);
  int headEnd = first;
  std::uint8_t seen = 0;
  for (; headEnd < limit; ++headEnd) {
    const char16_t c = t[headEnd];
    const std::uint8_t bits = c < 128 ? kHeadChars[c] : 0;
    if (!bits) break;
    seen |= bits;
  }
  const bool path = seen & kPath;
  if (headEnd == first || headEnd - first > 40 || (headEnd < end && !isBlank(t[headEnd])))
    return false;
  const View head = t.substr(first, headEnd - first);
  return named(path ? fileName(head) : head) != nullptr;
}

// Bit (last & 31) of kNameEnds[(first & 31) * 32 + length]: a name of that
// length starts with first and ends with last. The low five bits of a
// character keep the case apart from no letter, so a word that names a
// command (any case) finds its bit set; most other words find it clear.
constexpr std::array<std::uint32_t, 32 * 32> kNameEnds = [] {
  std::array<std::uint32_t, 32 * 32> t{};
  for (const Command& c : kCommands)
    t[(c.name.front() & 31u) * 32 + c.name.size()] |= std::uint32_t(1) << (c.name.back() & 31u);
  return t;
}();

// Most lines start with a word that names no command or lead-in ("The",
// "Hello,", "-", "order_id,sku", "2024-03-14T09:26:00Z"): a first look,
// eight characters a step, for where the first word ends. Returns false
// only where commandHead() would. A word that ends at a path's separator (the
// name after it is what counts), or a line too near the text's end for whole
// steps, is left to commandHead().
bool mayHaveCommandHead(View t, int first, int end) {
#if defined(__SSE2__)
  if (std::size_t(first) + 16 > t.size()) return true;
  // Most first words end within sixteen characters at a blank, a control or
  // a character past ASCII: a cheaper look finds that end, and the word up
  // to it (printable ASCII but a path's separators) is all commandHead()
  // would take for a name, or holds a character no name does.
  const auto notPrintable = [&](int at) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(t.data() + at));
    const __m128i shifted = _mm_sub_epi16(v, _mm_set1_epi16(0x21));
    const __m128i printable =
        _mm_cmpeq_epi16(_mm_subs_epu16(shifted, _mm_set1_epi16(0x5D)), _mm_setzero_si128());
    const __m128i path = _mm_or_si128(_mm_cmpeq_epi16(v, _mm_set1_epi16(u'/')),
                                      _mm_cmpeq_epi16(v, _mm_set1_epi16(u'\\')));
    return ~unsigned(_mm_movemask_epi8(_mm_andnot_si128(path, printable))) & 0xFFFFu;
  };
  int wordEnd = -1;
  unsigned mask = notPrintable(first) | (notPrintable(first + 8) << 16);
  if (end - first < 16) mask |= ~0u << (2 * (end - first));  // the line's end
  if (mask) {
    wordEnd = first + std::countr_zero(mask) / 2;
    if (wordEnd < end && (t[wordEnd] == u'/' || t[wordEnd] == u'\\')) return true;
    const int length = wordEnd - first;
    if (length == 0) return false;
    return (kNameEnds[(t[first] & 31u) * 32 + unsigned(length)] >> (t[wordEnd - 1] & 31u)) & 1;
  }
  // The characters of a command's name: those of commandHead() but the
  // separators of a path.
  const auto notName = [&](int at) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(t.data() + at));
    const auto in = [&](char16_t low, char16_t high) {
      const __m128i x = _mm_sub_epi16(v, _mm_set1_epi16(short(low)));
      return _mm_cmpeq_epi16(_mm_subs_epu16(x, _mm_set1_epi16(short(high - low))),
                             _mm_setzero_si128());
    };
    const __m128i lower = _mm_or_si128(v, _mm_set1_epi16(0x20));
    const __m128i letter = _mm_cmpeq_epi16(
        _mm_subs_epu16(_mm_sub_epi16(lower, _mm_set1_epi16(u'a')), _mm_set1_epi16(25)),
        _mm_setzero_si128());
    __m128i name = _mm_or_si128(letter, in(u'0', u':'));
    name = _mm_or_si128(name, in(u'-', u'.'));
    name = _mm_or_si128(name, in(u'#', u'%'));
    name = _mm_or_si128(name, _mm_cmpeq_epi16(v, _mm_set1_epi16(u'!')));
    name = _mm_or_si128(name, _mm_cmpeq_epi16(v, _mm_set1_epi16(u'>')));
    name = _mm_or_si128(name, _mm_cmpeq_epi16(v, _mm_set1_epi16(u'_')));
    return ~unsigned(_mm_movemask_epi8(name)) & 0xFFFFu;
  };
  // Longer words: CSV rows, time stamps. Past 48 characters of a name the 41st has ended
  // commandHead()'s look.
  for (int at = first; at < first + 48; at += 8) {
    if (std::size_t(at) + 8 > t.size()) return true;
    mask = notName(at);
    if (end - at < 8) mask |= 0xFFFFu << (2 * std::max(0, end - at));  // the line's end
    if (mask) {
      wordEnd = at + std::countr_zero(mask) / 2;
      break;
    }
  }
  if (wordEnd < 0) return false;
  if (wordEnd < end) {
    if (t[wordEnd] == u'/' || t[wordEnd] == u'\\') return true;
    if (!isBlank(t[wordEnd])) return false;  // a character no name holds
  }
  const int length = wordEnd - first;
  if (length == 0 || length >= 32) return false;
  return (kNameEnds[(t[first] & 31u) * 32 + unsigned(length)] >> (t[wordEnd - 1] & 31u)) & 1;
#else
  (void)t, (void)first, (void)end;
  return true;
#endif
}

class Line {
 public:
  Line(View text, bool secrets, bool usernames, std::vector<Candidate>& out)
      : t_(text), secrets_(secrets), usernames_(usernames), out_(out) {}

  void run(int begin, int end) {
    const int first = skipBlanks(begin, end);
    tokens_.clear();
    for (int i = first; i < end && tokens_.size() < 128;) {
      const Token tok = tokenAt(i, end);
      if (tok.re == tok.rb) break;
      tokens_.push_back(tok);
      i = skipBlanks(tok.re, end);
    }
    std::size_t k = 0;
    int echoed = -1;  // the token "echo" printed in the command before a pipe
    while (k < tokens_.size()) {
      std::size_t stop = k;
      while (stop < tokens_.size() && !separator(raw(tokens_[stop]))) ++stop;
      echoed = segment(k, stop, echoed);
      k = stop + 1;
    }
  }

 private:
  View text(const Token& tok) const { return t_.substr(tok.b, tok.e - tok.b); }
  View raw(const Token& tok) const { return t_.substr(tok.rb, tok.re - tok.rb); }

  int skipBlanks(int i, int end) const {
    while (i < end && isBlank(t_[i])) ++i;
    return i;
  }

  // One word of the line; quotes keep blanks inside it.
  Token tokenAt(int i, int end) const {
    Token tok{i, i, i, i};
    char16_t quote = 0;
    int j = i;
    while (j < end && (quote || !isBlank(t_[j]))) {
      if (quote) {
        if (t_[j] == quote) quote = 0;
      } else if (t_[j] == u'"' || t_[j] == u'\'') {
        quote = t_[j];
      }
      ++j;
    }
    tok.re = j;
    tok.e = j;
    if (j - i >= 2 && (t_[i] == u'"' || t_[i] == u'\'') && t_[j - 1] == t_[i]) ++tok.b, --tok.e;
    return tok;
  }

  static bool leadIn(View word) {
    const Command* c = named(word);
    return c && c->family == Family::leadIn;
  }

  static const Command* command(View word) {
    const Command* c = named(fileName(word));
    return c && c->family != Family::leadIn ? c : nullptr;
  }

  // Returns the token an "echo" of this segment printed, for the next one.
  int segment(std::size_t k, std::size_t stop, int echoed) {
    // Prompts, "sudo" (with its options) and variables set for the command.
    while (k < stop) {
      const View word = text(tokens_[k]);
      if (leadIn(word)) {
        ++k;
        if (equalsFolded(word, u"sudo"))
          while (k < stop && text(tokens_[k]).starts_with(u"-"sv)) {
            // "sudo -u deploy …": the account the command runs as.
            if (text(tokens_[k]) == u"-u"sv && k + 1 < stop)
              user(tokens_[k + 1].b, tokens_[k + 1].e);
            k += text(tokens_[k]).size() == 2 && k + 1 < stop ? 2 : 1;
          }
        continue;
      }
      const auto eq = word.find(u'=');
      if (eq != View::npos && eq > 0 && (isAsciiAlpha(word[0]) || word[0] == u'_')) {
        ++k;
        continue;
      }
      break;
    }
    if (k >= stop) return -1;
    const Command* c = command(text(tokens_[k]));
    if (!c) return -1;
    const View name = c->name;
    if (name == u"echo"sv || name == u"printf"sv) return stop - k == 2 ? int(k + 1) : -1;
    Family family = c->family;
    if (family == Family::registry) {
      bool login = false;
      for (std::size_t a = k + 1; a < stop; ++a) login = login || text(tokens_[a]) == u"login"sv;
      if (!login) family = Family::plain;
    }
    int positional = 0;
    View action;         // the first word that is no flag ("add_user", "login")
    bool batch = false;  // htpasswd -b: the password is on the line
    for (std::size_t a = k + 1; a < stop; ++a) {
      const Token& tok = tokens_[a];
      const View word = text(tok);
      const bool hasNext = a + 1 < stop;
      const Token* next = hasNext ? &tokens_[a + 1] : nullptr;
      // The value after a flag, unless another flag follows.
      const auto valueAfter = [&]() -> const Token* {
        return next && !text(*next).starts_with(u"-"sv) ? next : nullptr;
      };
      if (word.starts_with(u"--"sv)) {
        if (word == u"--password-stdin"sv && echoed >= 0) password(tokens_[std::size_t(echoed)]);
        a += longFlag(family, tok, valueAfter()) ? 1 : 0;
        continue;
      }
      if (word.size() >= 2 && word[0] == u'-' && isAsciiAlpha(word[1])) {
        a += shortFlag(family, tok, valueAfter(), batch) ? 1 : 0;
        continue;
      }
      if (word.size() >= 3 && word[0] == u'/' &&
          (family == Family::windows || family == Family::rdp)) {
        windowsFlag(tok);
        continue;
      }
      // "net use Z: \\server\share <password> /user:…": the word after the share.
      if (family == Family::windows && action == u"use"sv && a > k + 1 &&
          text(tokens_[a - 1]).starts_with(u"\\\\"sv) && word != u"*"sv) {
        password(tok);
        continue;
      }
      if (++positional == 1) action = word;
      const bool accountPair = (family == Family::htpasswd && batch) ||
                               (family == Family::rabbitmq &&
                                (action == u"add_user"sv || action == u"change_password"sv));
      if (family == Family::sqlplus && positional == 1) {
        sqlplusLogin(tok);
      } else if (accountPair && positional == 2) {
        user(tok.b, tok.e);
      } else if (accountPair && positional == 3) {
        password(tok);
      }
    }
    return -1;
  }

  // "--password=…", "--token …", "--user …": the shared table of field names
  // decides what the value is. Returns whether the next token was taken.
  bool longFlag(Family family, const Token& tok, const Token* next) {
    const View word = text(tok);
    const auto eq = word.find(u'=');
    const int nameBegin = tok.b + 2;
    const int nameEnd = eq == View::npos ? tok.e : tok.b + int(eq);
    const KeyRule* rule = matchKeyBefore(t_, nameBegin, nameEnd, 1, true).rule;
    if (!rule || rule->shape == Shape::none) return false;
    Token value{};
    if (eq != View::npos) {
      value = tokenAt(nameEnd + 1, tok.re);
      if (value.rb == value.re) return false;
    } else if (next) {
      value = *next;
    } else {
      return false;
    }
    const bool userOption = rule->kind == Kind::username;
    if (userOption && family == Family::curl) {
      userAndPassword(value, u':');
    } else if (userOption) {
      user(value.b, value.e);
    } else if (rule->kind == Kind::secret && rule->shape == Shape::secret) {
      secret(value, *rule);
    } else {
      return false;
    }
    return eq == View::npos;
  }

  // "-u user", "-uuser", "-pS3cret", "-U user%pw"; returns whether the next
  // token was taken.
  bool shortFlag(Family family, const Token& tok, const Token* next, bool& batch) {
    const View word = text(tok);
    const char16_t flag = word[1];
    const bool glued = word.size() > 2;
    const Token rest{tok.b + 2, tok.e, tok.b + 2, tok.e};
    const Token* value = glued ? &rest : next;
    switch (family) {
      case Family::curl:
        if ((flag == u'u' || flag == u'U') && value) userAndPassword(*value, u':');
        return !glued && (flag == u'u' || flag == u'U') && value;
      case Family::mysql:
        if (flag == u'u' && value) user(value->b, value->e);
        if (flag == u'p' && glued) password(rest);
        return !glued && flag == u'u' && value;
      case Family::postgres:
        if (flag == u'U' && value) user(value->b, value->e);
        return !glued && flag == u'U' && value;
      case Family::userPass:
      case Family::registry:
        if (flag == u'u' && value) user(value->b, value->e);
        if (flag == u'p' && value) password(*value);
        return !glued && (flag == u'u' || flag == u'p') && value;
      case Family::userPassP:
      case Family::sqlcmd:
        if ((flag == u'u' || flag == u'U') && value) user(value->b, value->e);
        if (flag == u'P' && value) password(*value);
        return !glued && (flag == u'u' || flag == u'U' || flag == u'P') && value;
      case Family::redis:
        if (flag == u'a' && value) password(*value);
        return !glued && flag == u'a' && value;
      case Family::sshpass:
        if (flag == u'p' && value) password(*value);
        return !glued && flag == u'p' && value;
      case Family::smb:
        if (flag == u'U' && value) {
          // "DOMAIN\user%password", "DOMAIN/user"
          Token v = *value;
          const View s = text(v);
          const auto domain = s.find_first_of(u"\\/");
          if (domain != View::npos && domain + 1 < s.size()) v.b += int(domain) + 1;
          userAndPassword(v, u'%');
        }
        return !glued && flag == u'U' && value;
      case Family::ssh:
        if (flag == u'l' && value) user(value->b, value->e);
        return !glued && flag == u'l' && value;
      case Family::lftp:
        if (flag == u'u' && value) userAndPassword(*value, u',');
        return !glued && flag == u'u' && value;
      case Family::ldap:
        if (flag == u'D' && value) bindName(*value);
        if (flag == u'w' && value) password(*value);
        return !glued && (flag == u'D' || flag == u'w') && value;
      case Family::htpasswd:
        batch = batch || word.find(u'b') != View::npos;
        break;
      case Family::openssl:
        if ((word == u"-pass"sv || word == u"-passin"sv || word == u"-passout"sv) && next) {
          const View v = text(*next);
          if (v.starts_with(u"pass:"sv))
            password(Token{next->b + 5, next->e, next->b + 5, next->e});
          return true;
        }
        if (word == u"-k"sv && next) {
          password(*next);
          return true;
        }
        break;
      case Family::mount:
        if (flag == u'o' && value) optionList(*value);
        return !glued && flag == u'o' && value;
      default:
        break;
    }
    return false;
  }

  // "/user:CORP\bsmith", "/u:jdoe", "/p:S3cret".
  void windowsFlag(const Token& tok) {
    const View word = text(tok);
    const auto colon = word.find(u':');
    if (colon == View::npos || colon + 1 >= word.size()) return;
    const View name = word.substr(1, colon - 1);
    Token value{tok.b + int(colon) + 1, tok.e, tok.b + int(colon) + 1, tok.e};
    if (equalsFolded(name, u"user") || equalsFolded(name, u"u")) {
      const View v = text(value);
      const auto domain = v.find_last_of(u"\\");
      if (domain != View::npos) value.b += int(domain) + 1;
      user(value.b, value.e);
    } else if (equalsFolded(name, u"p") || equalsFolded(name, u"password")) {
      password(value);
    }
  }

  // "scott/tiger@orcl": the account and its password before the database.
  void sqlplusLogin(const Token& tok) {
    const View v = text(tok);
    const auto slash = v.find(u'/');
    if (slash == View::npos || slash == 0) return;
    const auto at = v.find(u'@', slash);
    user(tok.b, tok.b + int(slash));
    const int pb = tok.b + int(slash) + 1;
    const int pe = at == View::npos ? tok.e : tok.b + int(at);
    if (pe > pb) password(Token{pb, pe, pb, pe});
  }

  // "cn=jdoe,ou=people,dc=example,dc=com": the account the bind names.
  void bindName(const Token& tok) {
    const View v = text(tok);
    for (View attr : {View(u"uid="), View(u"cn="), View(u"samaccountname=")}) {
      if (v.size() <= attr.size() || !equalsFolded(v.substr(0, attr.size()), attr)) continue;
      const auto comma = v.find(u',');
      const int e = comma == View::npos ? tok.e : tok.b + int(comma);
      user(tok.b + int(attr.size()), e);
      return;
    }
  }

  // "username=rpatel,password=…,vers=3.0"
  void optionList(const Token& tok) {
    int i = tok.b;
    while (i < tok.e) {
      int e = i;
      while (e < tok.e && t_[e] != u',') ++e;
      const View pair = t_.substr(i, e - i);
      const auto eq = pair.find(u'=');
      if (eq != View::npos && eq > 0) {
        const View name = pair.substr(0, eq);
        const Token value{i + int(eq) + 1, e, i + int(eq) + 1, e};
        if (equalsFolded(name, u"username") || equalsFolded(name, u"user"))
          user(value.b, value.e);
        else if (equalsFolded(name, u"password") || equalsFolded(name, u"pass"))
          password(value);
      }
      i = e + 1;
    }
  }

  // "user:password" (curl), "user%password" (smbclient), "user,password" (lftp).
  void userAndPassword(const Token& tok, char16_t sep) {
    const View v = text(tok);
    const auto at = v.find(sep);
    if (at == View::npos) {
      user(tok.b, tok.e);
      return;
    }
    user(tok.b, tok.b + int(at));
    const int pb = tok.b + int(at) + 1;
    // "admin:admin", "guest:guest": the defaults of a test install.
    if (tok.e > pb && !equalsFolded(v.substr(at + 1), v.substr(0, at)))
      password(Token{pb, tok.e, pb, tok.e});
  }

  void user(int b, int e) {
    if (!usernames_ || e <= b) return;
    static constexpr KeyRule kUser{u"username", Kind::username, Shape::username, 0};
    add(Kind::username, fieldvalue::match(t_, b, e, kUser, fieldvalue::Mode::whole));
  }

  void password(const Token& tok) {
    static constexpr KeyRule kPassword{u"password", Kind::secret, Shape::secret, 0};
    secret(tok, kPassword);
  }

  void secret(const Token& tok, const KeyRule& rule) {
    if (!secrets_ || tok.e <= tok.b) return;
    add(Kind::secret, fieldvalue::match(t_, tok.b, tok.e, rule, fieldvalue::Mode::whole));
  }

  void add(Kind kind, fieldvalue::Span s) {
    if (s.begin < 0 || s.end <= s.begin) return;
    out_.push_back({kind, Range{s.begin, s.end - s.begin}, true, false, false, {}});
  }

  View t_;
  bool secrets_, usernames_;
  std::vector<Candidate>& out_;
  std::vector<Token> tokens_;
};

}  // namespace

void find(std::u16string_view text, int begin, int end, bool secrets, bool usernames,
          std::vector<Candidate>& out) {
  if (!secrets && !usernames) return;
  while (begin < end && isBlank(text[begin])) ++begin;
  // Most lines are no command: their first word tells.
  if (!mayHaveCommandHead(text, begin, end) || !commandHead(text, begin, end)) return;
  Line(text, secrets, usernames, out).run(begin, end);
}

namespace {

// Whether the word after the option at dash and its value holds a host, a
// URL or an address, or is another option.
bool codeAfterValue(View text, int dash, int end) {
  int k = dash;
  for (int words = 0; words < 2; ++words) {
    while (k < end && !isBlank(text[k])) ++k;
    while (k < end && isBlank(text[k])) ++k;
  }
  if (k >= end) return false;
  if (text[k] == u'-') return true;
  for (; k < end && !isBlank(text[k]); ++k)
    if (text[k] == u'.' || text[k] == u':' || text[k] == u'/' || text[k] == u'@') return true;
  return false;
}

}  // namespace

void findInline(std::u16string_view text, int begin, int end, const std::vector<int>& options,
                bool secrets, bool usernames, std::vector<Candidate>& out) {
  if (!secrets && !usernames) return;
  while (begin < end && isBlank(text[begin])) ++begin;
  const int head = begin;  // a command there is read with its line
  int done = begin;        // the end of the last command read
  for (const int dash : options) {
    if (dash < done || dash - 1 <= begin) continue;
    int wb = dash - 1;  // the word before the blank
    while (wb > begin && !isBlank(text[wb - 1])) --wb;
    const char16_t open = text[wb];
    const bool quoted = open == u'`' || open == u'"' || open == u'\'' || open == u'(';
    const int nb = quoted ? wb + 1 : wb;
    const View word = text.substr(std::size_t(nb), std::size_t(dash - 1 - nb));
    const Command* c = word.empty() || word.size() > 24 ? nullptr : named(word);
    if (!c || c->family == Family::leadIn || c->family == Family::plain || nb == head) continue;
    // Unquoted in prose, after no prompt ("user@host:~$ psql …"), a command
    // is one when its option's value has a host, a URL or another option
    // after it ("curl -u bob https://…"), not words ("the curl -u flag to …").
    const char16_t prompt = wb - 2 >= begin && isBlank(text[wb - 1]) ? text[wb - 2] : u' ';
    const bool afterPrompt = prompt == u'$' || prompt == u'#' || prompt == u'>';
    if (!quoted && !afterPrompt && !codeAfterValue(text, dash, end)) continue;
    int segEnd = end;
    if (quoted) {
      const char16_t close = open == u'(' ? u')' : open;
      int k = dash;
      while (k < end && text[k] != close) ++k;
      segEnd = k;
    }
    Line(text, secrets, usernames, out).run(nb, segEnd);
    done = segEnd;
  }
}

}  // namespace clipvane::detect::CommandLine
