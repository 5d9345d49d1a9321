// How the accessibility port reads what the toolkits and web engines answer,
// as Chromium, Firefox, WebKit and GTK answer it.
#include <gtest/gtest.h>

#include "AtspiAnswers.h"

using namespace clipvane::x11;
using Attributes = QHash<QString, QString>;

TEST(AtspiAnswers, ThePageAddressWhereEachEnginePutsIt) {
  struct Row {
    const char* engine;
    Attributes document;
    std::string address;
  };
  const Row rows[] = {
      {"Firefox",
       {{"MimeType", "text/html"}, {"DocURL", "http://127.0.0.1:8765/page.html"}},
       "http://127.0.0.1:8765/page.html"},
      {"Chromium",
       {{"Title", "Local chat"},
        {"MimeType", "text/html"},
        {"DocType", "html"},
        {"URI", "http://127.0.0.1:8765/page.html"}},
       "http://127.0.0.1:8765/page.html"},
      {"an empty DocURL beside the URI",
       {{"DocURL", ""}, {"URI", "https://chat.example.com/"}},
       "https://chat.example.com/"},
      {"both",
       {{"DocURL", "https://a.example/"}, {"URI", "https://b.example/"}},
       "https://a.example/"},
      {"Chromium's own views", {{"Title", ""}, {"URI", ""}}, ""},
      {"nothing", {}, ""},
  };
  for (const Row& row : rows)
    EXPECT_EQ(AtspiAnswers::pageAddress(row.document).toStdString(), row.address) << row.engine;
}

TEST(AtspiAnswers, ThePlaceholderUnderEitherName) {
  struct Row {
    const char* engine;
    Attributes object;
    std::string placeholder;
  };
  const Row rows[] = {
      {"GTK and Firefox",
       {{"tag", "textarea"}, {"placeholder-text", "Ask the chat"}},
       "Ask the chat"},
      {"Chromium", {{"tag", "textarea"}, {"placeholder", "Ask the chat"}}, "Ask the chat"},
      {"both", {{"placeholder-text", "first"}, {"placeholder", "second"}}, "first"},
      {"blank", {{"placeholder", "  "}}, ""},
      {"none", {{"tag", "input"}}, ""},
  };
  for (const Row& row : rows)
    EXPECT_EQ(AtspiAnswers::placeholder(row.object).toStdString(), row.placeholder) << row.engine;
}

TEST(AtspiAnswers, TheCaretAfterTheLastCharacter) {
  struct Row {
    const char* text;
    QRectF last;
    bool lineBreak;
    std::optional<QRectF> lineStart;
    std::optional<QRectF> caret;
  };
  const Row rows[] = {
      // "abc|": right of the c.
      {"abc", QRectF(26, 190, 8, 15), false, std::nullopt, QRectF(34, 190, 0, 15)},
      // "abc\n|": at the start of the line below, where the text begins.
      {"abc\\n", QRectF(34, 116, 1, 15), true, QRectF(12, 116, 7, 15), QRectF(12, 131, 0, 15)},
      {"abc\\n, first character not placed yet", QRectF(34, 116, 1, 15), true, QRectF(0, 0, 0, 0),
       QRectF(34, 131, 0, 15)},
      {"a zero-width last character", QRectF(49, 164, 0, 15), false, std::nullopt,
       QRectF(49, 164, 0, 15)},
      // The engine has not laid the text out yet: no caret to place.
      {"zeros at the origin", QRectF(0, 0, 0, 0), false, std::nullopt, std::nullopt},
      {"minus ones", QRectF(-1, -1, -1, -1), false, std::nullopt, std::nullopt},
  };
  for (const Row& row : rows)
    EXPECT_EQ(AtspiAnswers::caretAfter(row.last, row.lineBreak, row.lineStart), row.caret)
        << row.text;
}
