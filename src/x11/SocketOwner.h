#pragma once
// Who is at the other end of a connection on the loopback interface: any
// local account may listen on a free port there, so the kernel's socket
// tables (/proc/net/tcp and tcp6) are asked whose the listening side is.
#include <sys/types.h>
#include <QByteArray>

#include <cstdint>
#include <optional>

namespace clipvane::x11::SocketOwner {

// The account that owns the server's side of this process's loopback
// connection from clientPort to serverPort; none when the tables do not list
// it.
std::optional<uid_t> ofServer(std::uint16_t clientPort, std::uint16_t serverPort);

// The same, looked up in the text of one table (IPv4 or IPv6 form).
std::optional<uid_t> find(const QByteArray& table, std::uint16_t clientPort,
                          std::uint16_t serverPort);

// Whether a process of this account may be told what the user copied: the
// user's own, root's or a system account's (below UID_MIN of
// /etc/login.defs). Every other account is another person's.
bool trusted(uid_t owner);

}  // namespace clipvane::x11::SocketOwner
