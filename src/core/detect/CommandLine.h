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

// Commands inside a line of prose or quoted in one ("Try `mysql -u jsmith
// -p`", "e.g. curl -u bob https://…", rsync -e "ssh -l svc host"): a word
// that names a command right before one of the options (the places of
// their dashes), up to the quote that opened the command or the line's end.
// A command that begins the line is left to find().
void findInline(std::u16string_view text, int begin, int end, const std::vector<int>& options,
                bool secrets, bool usernames, std::vector<Candidate>& out);

}  // namespace clipvane::detect::CommandLine
