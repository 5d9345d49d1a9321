#include "SocketOwner.h"

#include <unistd.h>

#include <QFile>
#include <QList>
#include <QThread>
#include <array>
#include <cstring>

namespace clipvane::x11::SocketOwner {

namespace {

// An address of the table: the kernel prints each 32-bit word of it in
// hexadecimal as it lies in memory, so the bytes come back by copying the
// words.
std::optional<std::array<unsigned char, 16>> address(const QByteArray& hex) {
  if (hex.size() != 8 && hex.size() != 32) return std::nullopt;
  std::array<unsigned char, 16> bytes{};
  for (qsizetype word = 0; word < hex.size() / 8; ++word) {
    bool ok = false;
    const std::uint32_t value = hex.mid(word * 8, 8).toUInt(&ok, 16);
    if (!ok) return std::nullopt;
    std::memcpy(bytes.data() + word * 4, &value, 4);
  }
  return bytes;
}

// 127.0.0.0/8, ::1 and 127.0.0.0/8 mapped into IPv6.
bool loopback(const QByteArray& hex) {
  const auto a = address(hex);
  if (!a) return false;
  if (hex.size() == 8) return (*a)[0] == 127;
  static constexpr std::array<unsigned char, 16> one{0, 0, 0, 0, 0, 0, 0, 0,
                                                     0, 0, 0, 0, 0, 0, 0, 1};
  static constexpr std::array<unsigned char, 12> mapped{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xff, 0xff};
  if (*a == one) return true;
  return std::memcmp(a->data(), mapped.data(), mapped.size()) == 0 && (*a)[12] == 127;
}

// "0100007F:2CAA" → address and port; nothing when malformed.
std::optional<std::pair<QByteArray, std::uint16_t>> endpoint(const QByteArray& field) {
  const QList<QByteArray> parts = field.split(':');
  if (parts.size() != 2) return std::nullopt;
  bool ok = false;
  const uint port = parts[1].toUInt(&ok, 16);
  if (!ok || port > 0xffff) return std::nullopt;
  return std::pair{parts[0], std::uint16_t(port)};
}

uid_t firstUserId() {
  QFile defs(QStringLiteral("/etc/login.defs"));
  if (defs.open(QIODevice::ReadOnly)) {
    for (const QByteArray& line : defs.readAll().split('\n')) {
      const QList<QByteArray> words = line.simplified().split(' ');
      bool ok = false;
      const uint value = words.value(1).toUInt(&ok);
      if (words.size() >= 2 && words[0] == "UID_MIN" && ok) return uid_t(value);
    }
  }
  return 1000;
}

}  // namespace

std::optional<uid_t> find(const QByteArray& table, std::uint16_t clientPort,
                          std::uint16_t serverPort) {
  const QList<QByteArray> lines = table.split('\n');
  for (qsizetype i = 1; i < lines.size(); ++i) {  // the first line names the columns
    const QList<QByteArray> fields = lines[i].simplified().split(' ');
    // sl, local, remote, state, queues, timer, retransmits, uid, …
    if (fields.size() < 8) continue;
    const auto local = endpoint(fields[1]), remote = endpoint(fields[2]);
    if (!local || !remote || local->second != serverPort || remote->second != clientPort) continue;
    if (!loopback(local->first) || !loopback(remote->first)) continue;
    bool ok = false;
    const uint uid = fields[7].toUInt(&ok);
    if (ok) return uid_t(uid);
  }
  return std::nullopt;
}

std::optional<uid_t> ofServer(std::uint16_t clientPort, std::uint16_t serverPort) {
  // The server's side shows once the handshake is through, which on the
  // loopback is at once; a few looks cover a busy machine.
  for (int attempt = 0; attempt < 5; ++attempt) {
    for (const char* name : {"/proc/net/tcp", "/proc/net/tcp6"}) {
      QFile file(QString::fromLatin1(name));
      if (!file.open(QIODevice::ReadOnly)) continue;
      if (const auto owner = find(file.readAll(), clientPort, serverPort)) return owner;
    }
    QThread::msleep(10);
  }
  return std::nullopt;
}

bool trusted(uid_t owner) {
  static const uid_t firstUser = firstUserId();
  return owner == getuid() || owner == geteuid() || owner == 0 || owner < firstUser;
}

}  // namespace clipvane::x11::SocketOwner
