// Tests of the string catalogue: exact texts in both languages (blanks at
// either end included) and none outside the ids, the id rule of the
// language selector, the two menus, notices, and formatText with its literal fall-backs. The
// process never calls setlocale, so it runs in the C locale, whose codeset counts as UTF-8: loaded
// texts are the catalogue's own bytes.
#include "catalogue/catalogue.h"

#include <gtest/gtest.h>

#include "catalogue/menus.h"

namespace strovel {
namespace {

using namespace std::string_literals;

struct FixedLanguage : LanguageSelector {
  explicit FixedLanguage(int code) : code(code) {}
  int language() const override { return code; }
  int code;
};

std::string text(int id) { return loadString(static_cast<TextId>(id)); }

TEST(Catalogue, HoldsTheExactTextsAndLoadsAndFormatsThem) {
  // Blanks at either end are part of a text.
  EXPECT_TRUE(text(153).ends_with("end of the file ") && text(183) == " ");
  EXPECT_EQ(text(212) + "|" + text(213), "Обработка остановлена|Processing stopped");
  EXPECT_EQ(text(216) + "|" + text(219), "Правило %d из %d|Trying the rules up to this one...");
  for (int id : {-1, 0, 100, 220, 65535})
    EXPECT_EQ(std::string(catalogueUtf8(id)) + text(id), "") << id;

  for (const auto& [language, id] : {std::pair{0, 132}, {1, 132}, {2, 133}, {3, 132}})
    EXPECT_EQ(int(localizedId(FixedLanguage(language), TextId::ProcessButton)), id) << language;
  EXPECT_EQ(localizedString(FixedLanguage(2), TextId::ProcessButton), "Choose and process a file");
  // Menu 130 answers Russian only; any other language code gets menu 133.
  for (const auto& [language, file, last] :
       {std::tuple{1, "Файл", "Показать синтаксис командной строки"},
        {2, "File", "Comand line parameters"},
        {3, "File", "Comand line parameters"}}) {
    const auto menu = mainMenu(FixedLanguage(language));
    ASSERT_EQ(menu.size(), 2u);
    EXPECT_EQ(menu[0].title, file);
    EXPECT_EQ(menu[1].items.back().text, last);
    EXPECT_EQ(int(menu[0].items[2].command) + int(menu[1].items[0].command), 32773 + 32775);
  }
  // A notice is its subject directly followed by its text.
  const Notice notice{TextId::DoesNotOpen, "/tmp/in.txt"};
  EXPECT_EQ(renderNotice(LanguageSelector(), notice), "/tmp/in.txt не открывается");
  EXPECT_EQ(renderNotice(FixedLanguage(2), notice), "/tmp/in.txt does not open");
  EXPECT_EQ(renderNotice(LanguageSelector(), Notice{TextId::Saved, "a\0b"s}), "a\0b сохранен"s);

  // formatText fills the conversions in order, with literal fall-backs.
  const std::pair<std::string, std::string> formatted[] = {
      {formatText(catalogueUtf8(144), {"old", "new", 3}), "Замена \"old\" на \"new\" - замен - 3"},
      {formatText("[%s]", {"a\0b"s}), "[a\0b]"s},
      {formatText("x\0%d"s, {5}), "x\0"s + "5"},
      {formatText("%d %d", {0, std::uint64_t{18446744073709551615u}}), "0 18446744073709551615"},
      {formatText("%s-%d", {"%s%d%%", 1}), "%s%d%%-1"},
      {formatText("100%% %d%%d", {7}), "100% 7%d"},
      {formatText("%x %5d %s", {"a"}), "%x %5d a"},
      {formatText("%s and %s, %d", {"a"}), "a and %s, %d"},
      {formatText("%s %d", {42, "many"}), "42 many"},
  };
  for (const auto& [result, expected] : formatted) EXPECT_EQ(result, expected);
}

}  // namespace
}  // namespace strovel
