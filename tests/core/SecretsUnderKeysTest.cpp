// Secrets under the names people give them: the last word of a longer key
// ("STRIPE_KEY", "GITHUB_PAT"), a name and its value separated by blanks only
// ("heroku api key …"), and the flags and options of commands.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DetectedValues.h"

using namespace clipvane;
using namespace clipvane::testing;

namespace {

const std::string kGenerated = "Hy7KpQ2mN8vXc4RtL9sWb3Zd";
const std::string kHex40 = "4f9a8c7d6e5b4a3f2e1d0c9b8a7f6e5d4c3b2a19";

}  // namespace

TEST(SecretsUnderKeys, TheLastWordOfALongerKey) {
  expectValues(Kind::secret, {
                                 {"STRIPE_KEY=" + kGenerated, {kGenerated}},
                                 {"GITHUB_PAT=" + kGenerated, {kGenerated}},
                                 {"MAILGUN_PRIVATE=" + kGenerated, {kGenerated}},
                                 {"aws_access = \"" + kGenerated + "\"", {kGenerated}},
                                 {"{\"datadogAppKey\": \"" + kHex40 + "\"}", {kHex40}},
                                 {"SONAR_LOGIN=" + kHex40, {kHex40}},
                                 {"sonar.login: " + kHex40, {kHex40}},
                                 // Keys of other things, and values no machine made.
                                 {"primary_key: " + kGenerated, {}},
                                 {"cache_key = \"user:42:profile:v2\"", {}},
                                 {"idempotency_key: 3f9a8c7d-6e5b-4a3f-9e1d-0c9b8a7f6e5d", {}},
                                 {"sort_key = created_at_2024", {}},
                                 {"STRIPE_KEY=MyApplicationName2024", {}},
                                 {"monkey: banana42banana42b", {}},
                                 {"compat: Hy7KpQ2mN8vXc4Rt", {}},
                                 {"is_private: true", {}},
                                 {"public_key = \"" + kGenerated + "\"", {}},
                             });
  // An account name where a login goes stays an account name.
  EXPECT_EQ(valuesOf(Kind::username, "db_login: jdoe42"), std::vector<std::string>{"jdoe42"});
}

TEST(SecretsUnderKeys, ANameAndItsValueBetweenBlanks) {
  const std::string uuid = "9f3c2b1a-7d4e-4c8b-a1f2-3e4d5c6b7a89";
  expectValues(Kind::secret,
               {
                   {"heroku api key " + uuid, {uuid}},
                   {"twilio auth token 3f9a8c7d6e5b4a3f2e1d0c9b8a7f6e5d",
                    {"3f9a8c7d6e5b4a3f2e1d0c9b8a7f6e5d"}},
                   {"twitter secret " + kGenerated + " for the bot", {kGenerated}},
                   {"set MYAPP_SECRET " + kGenerated, {kGenerated}},
                   {"the password Hunter2Xy! works", {"Hunter2Xy!"}},
                   // A "token" or "key" with an identifier, a count or a date after it.
                   {"the token " + uuid + " expired", {}},
                   {"the token expires in 3600 seconds", {}},
                   {"api key rotation due 2024-05-01", {}},
                   {"session 42 started at 10:31", {}},
                   {"primary key 1234567890123456", {}},
                   {"gpg key 4AEE18F83AFDEB23 signed it", {}},
               });
}

TEST(SecretsUnderKeys, FlagsAndOptionsOfCommands) {
  expectValues(
      Kind::secret,
      {
          {"mvn sonar:sonar -Dsonar.login=" + kHex40 +
               " -Dsonar.host.url=https://sonar.example.com",
           {kHex40}},
          {"gh auth login --token " + kGenerated, {kGenerated}},
          {"deploy-tool --api-key " + kGenerated + " --region eu", {kGenerated}},
          {"mysql -u dbadmin -pS3cr3tPw9 -h db.example.com", {"S3cr3tPw9"}},
          {"docker login -u jdoe -p Xk9vB2mQpL7r registry.example.com", {"Xk9vB2mQpL7r"}},
          {"sshpass -p 'Xk9vB2mQpL7r' ssh deploy@10.1.2.3 uptime", {"Xk9vB2mQpL7r"}},
          {"echo \"Xk9vB2mQpL7r\" | docker login --username jdoe --password-stdin",
           {"Xk9vB2mQpL7r"}},
          {"redis-cli -a Xk9vB2mQpL7r ping", {"Xk9vB2mQpL7r"}},
          {"openssl rsa -in key.pem -passin pass:Xk9vB2mQpL7r -out plain.pem", {"Xk9vB2mQpL7r"}},
          {"ldapsearch -x -D \"cn=jdoe,dc=example,dc=com\" -w Xk9vB2mQpL7r", {"Xk9vB2mQpL7r"}},
          {"curl -u jsmith:Sup3rS3cret! https://api.example.com", {"Sup3rS3cret!"}},
          {"curl -H \"Authorization: Bearer " + kGenerated + "\" https://api.example.com",
           {kGenerated}},
          {"sqlplus scott/Tig3rPw9@orcl", {"Tig3rPw9"}},
          {"net use Z: \\\\fs01\\share Xk9vB2mQpL7r /user:CORP\\bsmith", {"Xk9vB2mQpL7r"}},
          // Prompts, variables, files and the defaults of a test install.
          {"mysql -u root -p mydb", {}},
          {"docker login -u $DOCKER_USER -p $DOCKER_PASS", {}},
          {"echo $PASSWORD | docker login --username jdoe --password-stdin", {}},
          {"kubectl --token-file=/var/run/secrets/token get pods", {}},
          {"curl -u admin:admin http://localhost:8080", {}},
          {"gh auth login --with-token < token.txt", {}},
      });
}
