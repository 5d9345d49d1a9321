#pragma once
// Credentials and account names handed to a command on its line: "curl -u
// user:pw …", "mysql -u root -pS3cret", "sshpass -p pw ssh …", "smbclient
// -U user%pw", "net use … /user:DOMAIN\user", "--token …".
#include <string_view>
#include <vector>

#include "Candidate.h"

namespace clipvane::detect::CommandLine {

// The line [begin, end) of the text, when it runs a known command (after a
// prompt, "sudo", variables or other commands joined by "&&", "|", ";").
// Appends username and secret candidates of the kinds that are on.
void find(std::u16string_view text, int begin, int end, bool secrets, bool usernames,
          std::vector<Candidate>& out);

}  // namespace clipvane::detect::CommandLine
