// The ANSI layout's virtual key codes and their keysyms.
#include "VirtualKeys.h"

#include <QString>

#include <utility>

namespace clipvane::VirtualKeys {

namespace {

// Virtual key code → keysym for every key of the ANSI layout that a shortcut
// can use.
constexpr std::pair<std::uint32_t, std::uint32_t> kKeys[] = {
    {0, 'a'},      {1, 's'},      {2, 'd'},      {3, 'f'},      {4, 'h'},      {5, 'g'},
    {6, 'z'},      {7, 'x'},      {8, 'c'},      {9, 'v'},      {11, 'b'},     {12, 'q'},
    {13, 'w'},     {14, 'e'},     {15, 'r'},     {16, 'y'},     {17, 't'},     {18, '1'},
    {19, '2'},     {20, '3'},     {21, '4'},     {22, '6'},     {23, '5'},     {24, '='},
    {25, '9'},     {26, '7'},     {27, '-'},     {28, '8'},     {29, '0'},     {30, ']'},
    {31, 'o'},     {32, 'u'},     {33, '['},     {34, 'i'},     {35, 'p'},     {36, 0xff0d},
    {37, 'l'},     {38, 'j'},     {39, '\''},    {40, 'k'},     {41, ';'},     {42, '\\'},
    {43, ','},     {44, '/'},     {45, 'n'},     {46, 'm'},     {47, '.'},     {48, 0xff09},
    {49, ' '},     {50, '`'},     {51, 0xff08},  {53, 0xff1b},  {65, 0xffae},  {67, 0xffaa},
    {69, 0xffab},  {75, 0xffaf},  {76, 0xff8d},  {78, 0xffad},  {81, 0xffbd},  {82, 0xffb0},
    {83, 0xffb1},  {84, 0xffb2},  {85, 0xffb3},  {86, 0xffb4},  {87, 0xffb5},  {88, 0xffb6},
    {89, 0xffb7},  {91, 0xffb8},  {92, 0xffb9},  {122, 0xffbe}, {120, 0xffbf}, {99, 0xffc0},
    {118, 0xffc1}, {96, 0xffc2},  {97, 0xffc3},  {98, 0xffc4},  {100, 0xffc5}, {101, 0xffc6},
    {109, 0xffc7}, {103, 0xffc8}, {111, 0xffc9}, {105, 0xffca}, {107, 0xffcb}, {113, 0xffcc},
    {114, 0xff63}, {115, 0xff50}, {116, 0xff55}, {117, 0xffff}, {119, 0xff57}, {121, 0xff56},
    {123, 0xff51}, {124, 0xff53}, {125, 0xff54}, {126, 0xff52},
};

// The shifted symbols of the ANSI layout and the key they sit on.
constexpr std::pair<char, char> kShifted[] = {
    {'!', '1'},  {'@', '2'}, {'#', '3'},  {'$', '4'}, {'%', '5'}, {'^', '6'}, {'&', '7'},
    {'*', '8'},  {'(', '9'}, {')', '0'},  {'_', '-'}, {'+', '='}, {'{', '['}, {'}', ']'},
    {'|', '\\'}, {':', ';'}, {'"', '\''}, {'<', ','}, {'>', '.'}, {'?', '/'}, {'~', '`'},
};

// What keys that type no character show.
constexpr std::pair<std::uint32_t, const char16_t*> kNames[] = {
    {0xff0d, u"↩"}, {0xff8d, u"⌤"}, {0xff09, u"⇥"}, {0xff08, u"⌫"}, {0xffff, u"⌦"},
    {0xff1b, u"⎋"}, {0xff51, u"←"}, {0xff53, u"→"}, {0xff52, u"↑"}, {0xff54, u"↓"},
    {0xff50, u"↖"}, {0xff57, u"↘"}, {0xff55, u"⇞"}, {0xff56, u"⇟"}, {' ', u"␣"},
};

}  // namespace

std::optional<std::uint32_t> keysymFor(std::uint32_t virtualKey) {
  for (auto [vk, sym] : kKeys)
    if (vk == virtualKey) return sym;
  return std::nullopt;
}

std::optional<std::uint32_t> virtualKeyFor(std::uint32_t sym) {
  if (sym >= 'A' && sym <= 'Z') sym += 'a' - 'A';
  for (auto [shifted, base] : kShifted)
    if (sym == std::uint32_t(shifted)) sym = std::uint32_t(base);
  for (auto [vk, s] : kKeys)
    if (s == sym) return vk;
  return std::nullopt;
}

std::optional<KeyEvent> keyEvent(std::uint32_t keysym, std::uint32_t modifiers) {
  const auto vk = virtualKeyFor(keysym);
  if (!vk) return std::nullopt;
  const std::uint32_t base = *keysymFor(*vk);
  QString characters;
  for (auto [sym, name] : kNames)
    if (sym == base) characters = QString::fromUtf16(name);
  if (characters.isEmpty()) {
    if (base >= 0xffbe && base <= 0xffc9)
      characters = QStringLiteral("F%1").arg(base - 0xffbe + 1);
    else if (base >= 0xffb0 && base <= 0xffb9)
      characters = QChar(char16_t('0' + (base - 0xffb0)));
    else if (base >= 0xffaa && base <= 0xffbd)
      characters = QChar(char16_t(base - 0xff80));  // keypad * + - . / =
    else if (base < 0x100)
      characters = QChar(char16_t(base));
  }
  return KeyEvent{*vk, modifiers,
                  characters.isEmpty() ? std::nullopt : std::optional<QString>(characters)};
}

}  // namespace clipvane::VirtualKeys
