// Personal data written the way people write it without a field name right
// next to it: dates of birth asked for a sentence or a line before, street
// addresses of many countries and scripts, and national phone numbers in
// prose. Each family has its positives and the look-alikes that must stay
// unmarked.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DetectedValues.h"

using namespace clipvane;
using namespace clipvane::testing;

namespace {

// Texts in which nothing at all may be found.
void expectNothing(const std::vector<std::string_view>& texts) {
  for (auto text : texts) {
    const Found found = detected(text);
    EXPECT_TRUE(found.empty()) << text << " -> " << describe(found);
  }
}

}  // namespace

// ---- dates of birth whose cue stands a sentence or a line before -------------

TEST(PersonalBirthDates, CueInTheSentenceOrLineBefore) {
  expectValues(
      Kind::birthDate,
      {
          {"Can you confirm when you were born? It's 14/03/1988.", {"14/03/1988"}},
          {"When were you born?\nMarch 14, 1988", {"March 14, 1988"}},
          {"Date of birth\n14/03/1988\nPlace of birth\nLyon", {"14/03/1988"}},
          {"DOB\n\n1988-03-14", {"1988-03-14"}},
          {"Q: When is your birthday?\nA: 3 May 1990", {"3 May 1990"}},
          {"She was born in Lyon on 14 March 1988.", {"14 March 1988"}},
          {"Please confirm your date of birth. I think it is 02.11.1975.", {"02.11.1975"}},
          {"Wann sind Sie geboren?\n14.03.1988", {"14.03.1988"}},
          {"Дата рождения: 14.03.1988", {"14.03.1988"}},
          {"Ημερομηνία γέννησης: 14/03/1988", {"14/03/1988"}},
          // one finding where the label rules take the date already
          {"DOB: 14/03/1988", {"14/03/1988"}},
          {"Born:\n12 June 1975", {"12 June 1975"}},
          {"my birthdate, 14.03.1988, is on file", {"14.03.1988"}},
          {"Geburtstag: 14.03.1988", {"14.03.1988"}},
          // a blank line between a form label and its date
          {"Birth date:\n\n1979-11-05\nNationality: PT", {"1979-11-05"}},
          {"DOB:\r\n\r\n05/11/1979", {"05/11/1979"}},
          // a speaker's mark in a transcript before the answer
          {"Agent: can I have your date of birth?\nCustomer: sure, 05/11/1979", {"05/11/1979"}},
          {"Nurse: And your birthday?\nCaller: 5 November 1979", {"5 November 1979"}},
      });
}

// Dates near a birth cue that are some other event's.
TEST(PersonalBirthDates, OtherDatesNearACueStayUnmarked) {
  expectNothing({
      "The meeting was on 14/03/1988.",
      "Born in 1950, he died on 14/03/2010.",
      "She was born in Lyon and moved to Paris on 14/03/2010.",
      "DOB: unknown\nVisit date: 14/03/2020",
      "Place of birth\nLyon\n14/03/2020",
      "I was born in Lyon. The firm came later. On 14/03/2010 it went public.",
      "Newborn screening on 14/03/2024 was normal.",
      "born\n2024-03-14 09:26:53 INFO worker started",
      "What is your date of birth?\nRelease notes\n2024-03-14",
      "Our product was born out of frustration. Version 1 shipped on 14/03/2019.",
      "Born to Run tour, last show 14/03/1985.",
      "DOB field validation fixed in the release of 05/11/2024",
      "Birthday party on 05/11/2024 at 6pm!",
      "Born to be wild, recorded 05/11/1968.",
      "Date of birth:\nAuthor: 05/11/2024",
  });
  expectValues(Kind::birthDate,
               {{"Date of birth: 01/02/1980\nDate of issue: 14/03/2010", {"01/02/1980"}}});
}

// ---- national phone numbers in prose, without a country code ---------------

TEST(PersonalPhones, NationalFormsInProse) {
  expectValues(Kind::phone,
               {
                   // a label after the number
                   {"Send the forms to 612 448 903 (office) before Friday.", {"612 448 903"}},
                   {"020 7946 0958 (home), 0612 345 678 mobile", {"020 7946 0958", "0612 345 678"}},
                   {"Try 555-0100 [cell] after six.", {"555-0100"}},
                   // ten digits without a trunk prefix: Italian mobiles, Greece
                   {"Maria: 347 123 4567, Luca: 347 7654321.", {"347 123 4567", "347 7654321"}},
                   {"Athens office 210 123 4567", {"210 123 4567"}},
                   // an Indian mobile without its trunk 0, a Norwegian number
                   {"He is on 98765 43210 after six.", {"98765 43210"}},
                   {"Oslo 412 34 567", {"412 34 567"}},
                   // a dash after the area code, then blanks
                   {"Or 08-123 456 78 in Stockholm.", {"08-123 456 78"}},
                   {"Bel ons op 020-123 4567 of mail.", {"020-123 4567"}},
                   // Indonesian mobiles in dashed fours
                   {"Jakarta 0812-3456-7890", {"0812-3456-7890"}},
                   // cue words of other languages
                   {"Llámame al 612 448 903 mañana.", {"612 448 903"}},
                   {"Chiamami al 612 448 903", {"612 448 903"}},
                   // a signature's labels
                   {"T: 612 448 903 | M: 0612 345 678", {"612 448 903", "0612 345 678"}},
                   // a link's text
                   {"<a href=\"tel:3033806714\">303 380 6714</a>", {"3033806714", "303 380 6714"}},
                   // dotted threes of Spain and Poland with a label or cue
                   {"Oficina 612.448.903 (work)", {"612.448.903"}},
                   {"Numer telefonu 512 345 678", {"512 345 678"}},
                   {"Reach me on 512.345.678 (home)", {"512.345.678"}},
               });
}

// After a verb of calling or reaching, or a number of one's own with a word
// between; local forms without an area code, pairs with dashes, a bracketed
// area code before fewer digits.
TEST(PersonalPhones, AfterCallingVerbsAndInLocalForms) {
  expectValues(Kind::phone,
               {
                   {"She is not answering at 555-0142, try later.", {"555-0142"}},
                   {"He was not answering on 2345 6789 this morning.", {"2345 6789"}},
                   {"My registered number is 9876 5432.", {"9876 5432"}},
                   {"my registered mobile number is 06-12-34-56-78", {"06-12-34-56-78"}},
                   {"Tel. 12-34-56-78", {"12-34-56-78"}},
                   {"Phone: (02) 9876 543", {"(02) 9876 543"}},
                   {"I called her at (089) 12345 yesterday.", {"(089) 12345"}},
                   // a number of one's own only
                   {"My account number is 9876 5432.", {}},
                   {"Ratio 12-34-56-78 in the table.", {}},
                   {"It took 555-0142 ms; nobody was answering questions.", {}},
               });
}

// Digit groups that are counts, amounts, ids and codes.
TEST(PersonalPhones, GroupsThatAreOtherNumbersStayUnmarked) {
  expectValues(Kind::phone, {
                                {"Revenue grew to 612 448 903 euros last year.", {}},
                                {"Send the forms to 612 448 903 before Friday.", {}},
                                {"Totals: 340 150 2000 units", {}},
                                {"Order 347 123 4567 shipped", {}},
                                {"Order 415 555 2671 shipped", {}},
                                {"Invoice no. 210 123 4567 paid", {}},
                                {"Coordinates 98765 43210 grid", {}},
                                {"Serial 412 34 567 ok", {}},
                                {"Account 347 1234567 closed", {}},
                                {"Price €612 448 903 (office)", {}},
                                {"Budget 1 234 567 (office supplies)", {}},
                                {"Score 612 448 903 (home team)", {}},
                                {"ids 0127 7124 8231 and 0-123 456 78", {}},
                                {"The front desk is 0612345678.", {}},
                                {"Items 120 450 7800", {}},
                                {"Total: 612 448 903", {}},
                                {"Copyright: 1995-2015 (c) perl5 porters.", {}},
                                {"uids 60000-64999 are reserved", {}},
                                {"M280 240Q180 240 110 310Q40 380 40 480\"", {}},
                                {"2024 123 4567", {}},
                                {"Version 3.47.123.4567", {}},
                                {"version 612.448.903 released", {}},
                                {"Revenue 612.448.903 euros", {}},
                                // not in the plans of Spain or Poland
                                {"Call 012.448.903", {}},
                            });
}

// ---- street addresses ------------------------------------------------------------

TEST(PersonalAddresses, StreetsNamedBeforeTheirNumber) {
  expectValues(
      Kind::address,
      {
          {"Send it to Storgatan 12, 111 23 Stockholm.", {"Storgatan 12, 111 23 Stockholm"}},
          {"Nørrebrogade 45, 2200 København N", {"Nørrebrogade 45, 2200 København N"}},
          {"ul. Marszałkowska 84/92, 00-514 Warszawa",
           {"ul. Marszałkowska 84/92, 00-514 Warszawa"}},
          {"Váci u. 19, 1052 Budapest", {"Váci u. 19, 1052 Budapest"}},
          {"Karl Johans gate 22, 0159 Oslo", {"Karl Johans gate 22, 0159 Oslo"}},
          {"via Garibaldi 7, 20121 Milano", {"via Garibaldi 7, 20121 Milano"}},
          {"calle de Alcalá 45, 28014 madrid", {"calle de Alcalá 45, 28014 madrid"}},
          {"12, rue de la Paix, 75002 Paris", {"12, rue de la Paix, 75002 Paris"}},
          {"Drottninggatan 53, Stockholm", {"Drottninggatan 53, Stockholm"}},
          {"Karl-Marx-Straße 5\n10115 Berlin", {"Karl-Marx-Straße 5\n10115 Berlin"}},
          {"Schmidtstr. 12\n50667 Köln", {"Schmidtstr. 12\n50667 Köln"}},
          // definite forms of the Nordic kinds of street
          {"Our office: Strandvejen 100, 2900 Hellerup. Come by!",
           {"Strandvejen 100, 2900 Hellerup"}},
          // a district's letter before the sentence's full stop
          {"Write to Vesterbrogade 85, 1620 København V. Thanks",
           {"Vesterbrogade 85, 1620 København V"}},
          {"Nørrebrogade 45, 2200 København N.", {"Nørrebrogade 45, 2200 København N"}},
      });
}

TEST(PersonalAddresses, GreekAndCyrillicStreets) {
  expectValues(Kind::address,
               {
                   {"Οδός Ερμού 25, 105 63 Αθήνα", {"Οδός Ερμού 25, 105 63 Αθήνα"}},
                   {"Ερμού 25, Αθήνα 10563", {"Ερμού 25, Αθήνα 10563"}},
                   {"ул. Тверская, д. 7, Москва, 125009", {"ул. Тверская, д. 7, Москва, 125009"}},
                   {"улица Ленина 10, кв. 5", {"улица Ленина 10, кв. 5"}},
               });
}

TEST(PersonalAddresses, OneCaseStrayNumbersAndPostBoxes) {
  expectValues(
      Kind::address,
      {
          {"221b baker street, london nw1 6xe", {"221b baker street, london nw1 6xe"}},
          {"1600 pennsylvania avenue nw, washington, dc 20500",
           {"1600 pennsylvania avenue nw, washington, dc 20500"}},
          {"Ship to: 4 742 Maple Avenue, Springfield, IL 62704",
           {"4 742 Maple Avenue, Springfield, IL 62704"}},
          {"p.o. box 1234, springfield, il 62704", {"p.o. box 1234, springfield, il 62704"}},
          {"PO BOX 789, Austin, TX 78701", {"PO BOX 789, Austin, TX 78701"}},
          {"742 evergreen terrace springfield il 62704",
           {"742 evergreen terrace springfield il 62704"}},
          {"hauptstraße 5, 10115 berlin", {"hauptstraße 5, 10115 berlin"}},
          // named before the number, all in lower case, with a postcode
          {"via roma 15, 00184 roma", {"via roma 15, 00184 roma"}},
          {"send it to calle mayor 10, 28013 madrid", {"calle mayor 10, 28013 madrid"}},
          {"ul. długa 5, 80-827 gdańsk", {"ul. długa 5, 80-827 gdańsk"}},
          {"deliver to váci u. 19, 1052 budapest", {"váci u. 19, 1052 budapest"}},
          {"karl johans gate 22, 0159 oslo", {"karl johans gate 22, 0159 oslo"}},
          {"οδός ερμού 25, 105 63 αθήνα", {"οδός ερμού 25, 105 63 αθήνα"}},
          {"P O Box 42, Nairobi", {"P O Box 42, Nairobi"}},
          // printed in capitals
          {"742 EVERGREEN TERRACE, SPRINGFIELD, IL 62704",
           {"742 EVERGREEN TERRACE, SPRINGFIELD, IL 62704"}},
          {"HAUPTSTRASSE 5, 10115 BERLIN", {"HAUPTSTRASSE 5, 10115 BERLIN"}},
      });
}

// One finding for the lines of one address: units, places and military lines.
TEST(PersonalAddresses, LinesOfOneAddressAreOneFinding) {
  expectValues(
      Kind::address,
      {
          {"742 Evergreen Terrace\nApt. 12\nSpringfield, IL 62704\n\nThanks!",
           {"742 Evergreen Terrace\nApt. 12\nSpringfield, IL 62704"}},
          {"Flat 3B\n10 Downing Street\nLondon SW1A 2AA",
           {"Flat 3B\n10 Downing Street\nLondon SW1A 2AA"}},
          {"Flat 52\nJones lane\nLake Jennifer\nB3 9XY",
           {"Flat 52\nJones lane\nLake Jennifer\nB3 9XY"}},
          {"Hauptstraße 5\r\n10115 Berlin", {"Hauptstraße 5\r\n10115 Berlin"}},
          {"Via Roma 15\n00184, Roma (RM)", {"Via Roma 15\n00184, Roma (RM)"}},
          {"PSC 1234, Box 5678\nAPO AE 09204", {"PSC 1234, Box 5678\nAPO AE 09204"}},
          {"Unit 2050 Box 4190\nAPO AP 96278-4190", {"Unit 2050 Box 4190\nAPO AP 96278-4190"}},
          {"USNS Comfort\nFPO AA 34055", {"USNS Comfort\nFPO AA 34055"}},
          {"PSC 802 Box 74, APO AE 09499", {"PSC 802 Box 74, APO AE 09499"}},
          // the US postal suffixes that are also everyday nouns, with their place
          {"0487 Hayes Hollow Suite 123\nNew Sarah, MT 86214",
           {"0487 Hayes Hollow Suite 123\nNew Sarah, MT 86214"}},
          {"8390 Smith Ville, Lake Amanda, CA 90210", {"8390 Smith Ville, Lake Amanda, CA 90210"}},
          {"Unit 5 12 Smith St\nMelbourne VIC 3000", {"Unit 5 12 Smith St\nMelbourne VIC 3000"}},
          // a town line, then a country with its postcode or alone
          {"221B Baker Street\nFlat 4\nLondon\nUnited Kingdom NW1 6XE\n\nThanks",
           {"221B Baker Street\nFlat 4\nLondon\nUnited Kingdom NW1 6XE"}},
          {"1600 Amphitheatre Parkway\nSuite 200\nMountain View, CA 94043\nUSA",
           {"1600 Amphitheatre Parkway\nSuite 200\nMountain View, CA 94043\nUSA"}},
          {"Hauptstraße 12\n10115 Berlin\nÖsterreich",
           {"Hauptstraße 12\n10115 Berlin\nÖsterreich"}},
          // the number after the street's name, with a place after it
          {"Baker Street 221\nLondon NW1 6XE", {"Baker Street 221\nLondon NW1 6XE"}},
          // the floor and door after the house number
          {"Calle Mayor 7, 2º B\n28013 Madrid\nSpain",
           {"Calle Mayor 7, 2º B\n28013 Madrid\nSpain"}},
          {"Calle de Alcalá 45, 3º izq.\n28014 Madrid",
           {"Calle de Alcalá 45, 3º izq.\n28014 Madrid"}},
          {"Rua Augusta 100, 2º Esq, 1100-053 Lisboa",
           {"Rua Augusta 100, 2º Esq, 1100-053 Lisboa"}},
          {"Main Street 12, Springfield, IL 62704", {"Main Street 12, Springfield, IL 62704"}},
          // a country word that is no line of its own, and a street name before a number in a
          // sentence
          {"42 Elm Road\nSpringfield, IL 62704\nUSA today", {"42 Elm Road\nSpringfield, IL 62704"}},
          {"See Abbey Road 2 on the shelf.", {}},
          {"Oxford Street 5 stars for the show.", {}},
          {"Mill Road 3\nTesting the build", {}},
      });
}

// The recipient's name under an address label is a name; its street is the address.
TEST(PersonalAddresses, TheRecipientIsNoPartOfTheAddress) {
  const std::string_view text =
      "Billing address:\nJane Doe\n742 Evergreen Terrace\nSpringfield, IL 62704";
  EXPECT_EQ(valuesOf(Kind::address, text),
            std::vector<std::string>{"742 Evergreen Terrace\nSpringfield, IL 62704"});
  EXPECT_EQ(valuesOf(Kind::name, text), std::vector<std::string>{"Jane Doe"});
  expectValues(Kind::address, {
                                  {"Billing Address: Jane Doe, 742 Evergreen Terrace, Springfield",
                                   {"742 Evergreen Terrace, Springfield"}},
                                  {"{\"billing_address\": \"Jane Doe\"}", {}},
                              });
}

// Street-like words, units and numbers in text that holds no address.
TEST(PersonalAddresses, StreetWordsInProseStayUnmarked) {
  expectNothing({
      "Terminal B Gate 22 is closed.",
      "Meet me at the gate 22 minutes before boarding.",
      "Κεφάλαιο 25 του βιβλίου",
      "Глава 7 романа",
      "Платформа 9 Москва, 2024",
      "Unit 4 Box 12 of the kit",
      "Apt. 12 needs a plumber",
      "Flat 3B\nis for sale\nLondon SW1A 2AA",
      "Suite 200\nTests passed\n3 failed",
      "Via Verde 3 stars",
      "Apple Str. 5 beers",
      "She walked 5 miles down the road, then took a bus.",
      "We scored 3 goals at the park, then left.",
      "Step 1\nGo Street Team\nLake Tahoe",
      "Order #12345 shipped to customer 7781 on 2024-03-14.",
      "Lane 3 is closed for repairs.",
      "Chapter 4\nThe Road Not Taken\nRobert Frost",
      "He met me at 123 Harbor View yesterday.",
      "24 Hour Fitness Center",
      "Flat 3B\nNice view",
      "Room 5 12 apples",
      "the necktie 5 times, 10 days",
      "i was at 3 main lanes, and 5 more",
      // copyright lines: years and names
      "Copyright: 1991-2016 Thomas G. Lane, Guido Vollbeding\n           2019 Arm Limited",
      "Copyright: 2001 Eric Ford\n 2001 Hubert Holin",
      "2012 Qualcomm Innovation Center, Inc",
      "64 draws the tile with a corner radius of 185",
      // lower-case kinds of street without a postcode after them
      "via email 15, then by post",
      "we went via the bridge 3, 4 times",
      "the calle 5, 6 and 7 are closed",
      "P O 12 Box 5",
  });
}
