// Tests of the string catalogue: exact texts in both languages (blanks at
// either end included), the id rule of the language selector, loading in the
// locale's codeset, notices, and formatText with its literal fall-backs.
#include "app/catalogue/catalogue.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdint>
#include <string>

namespace strovel {
namespace {

using namespace std::string_literals;

class FixedLanguage : public LanguageSelector {
 public:
  explicit FixedLanguage(int code) : code_(code) {}
  int language() const override { return code_; }

 private:
  int code_;
};

// Loads under the C locale, whose codeset counts as UTF-8, so that loaded
// texts are the catalogue's UTF-8 bytes whatever the test's environment.
class CatalogueInCLocale : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = std::setlocale(LC_CTYPE, nullptr);
    ASSERT_NE(std::setlocale(LC_CTYPE, "C"), nullptr);
  }
  void TearDown() override { std::setlocale(LC_CTYPE, saved_.c_str()); }

 private:
  std::string saved_;
};

struct TextCase {
  int id;
  std::string text;
};

TEST(Catalogue, HoldsTheExactTexts) {
  const TextCase cases[] = {
      {101, "&About Strovel..."},
      {102, "Заменить Образец1 на Образец2"},
      {103, "Replace Pattern1 with Pattern2"},
      {106, "Удалить строки. содержащие Образец1"},
      {118, "<== Вставить"},
      {136, "dos кодировка"},
      {142, "txt (*.txt)|*.txt|Все файлы (*.*)|*.*||"},
      {144, "Замена \"%s\" на \"%s\" - замен - %d"},
      {145, "Replace \"%s\" with \"%s\" - %d replaces"},
      {152,
       "Сортировка между \"%s\" и \"%s\" - отсортировано = %d. Неотсортировано и добавлено в "
       "конец файла = %d"},
      {153,
       "Sort between \"%s\" and \"%s\" - %d sorted . %d not sorted and added at the end of the "
       "file "},
      {157, "Element \"%s\" - is repeated %d times."},
      {160, " не создается"},
      {161, " is not created"},
      {164, " не открывается"},
      {165, " does not open"},
      {166, " сохранен"},
      {167, " saved"},
      {171, "pattern file (*.shbl)|*.shbl|All files (*.*)|*.*||"},
      {174, "Сохранить изменения в шаблоне %s?"},
      {176, "https://strovel.org/ru/another_progs.html"},
      {177, "https://strovel.org/other_progs.html"},
      {182, "Заменить в ФАЙЛЕ между Образец1 и Образец2 на Образец3"},
      {183, " "},
  };
  for (const TextCase& c : cases) EXPECT_EQ(catalogueUtf8(c.id), c.text) << c.id;
}

TEST(Catalogue, EveryPairHasTwoDifferentTexts) {
  EXPECT_FALSE(catalogueUtf8(101).empty());
  for (int id = 102; id <= 182; id += 2) {
    EXPECT_FALSE(catalogueUtf8(id).empty()) << id;
    EXPECT_FALSE(catalogueUtf8(id + 1).empty()) << id + 1;
    EXPECT_NE(catalogueUtf8(id), catalogueUtf8(id + 1)) << id;
  }
}

TEST_F(CatalogueInCLocale, UnknownIdsGiveTheEmptyText) {
  for (int id : {-1, 0, 100, 184, 185, 61440, 65535}) {
    EXPECT_EQ(catalogueUtf8(id), "") << id;
    EXPECT_EQ(loadString(id), "") << id;
  }
}

TEST(LocalizedId, AddsOneOnlyForEnglish) {
  EXPECT_EQ(localizedId(LanguageSelector(), 164), 164);
  EXPECT_EQ(localizedId(FixedLanguage(1), 132), 132);
  EXPECT_EQ(localizedId(FixedLanguage(2), 132), 133);
  EXPECT_EQ(localizedId(FixedLanguage(3), 132), 132);
  EXPECT_EQ(localizedId(FixedLanguage(0), 182), 182);
}

TEST_F(CatalogueInCLocale, LoadsTheTextOfTheLanguageInForce) {
  EXPECT_EQ(localizedString(LanguageSelector(), 132), "Выбрать файл и обработать");
  EXPECT_EQ(localizedString(FixedLanguage(2), 132), "Choose and process a file");
  EXPECT_EQ(localizedString(FixedLanguage(3), 132), "Выбрать файл и обработать");
  EXPECT_EQ(localizedString(FixedLanguage(2), 182), " ");
  EXPECT_EQ(loadString(101), "&About Strovel...");
}

TEST_F(CatalogueInCLocale, RendersANoticeAsSubjectThenText) {
  const Notice notice{164, "/tmp/in.txt"};
  EXPECT_EQ(renderNotice(LanguageSelector(), notice), "/tmp/in.txt не открывается");
  EXPECT_EQ(renderNotice(FixedLanguage(2), notice), "/tmp/in.txt does not open");
  EXPECT_EQ(renderNotice(FixedLanguage(2), Notice{166, ""}), " saved");
  EXPECT_EQ(renderNotice(LanguageSelector(), Notice{166, "a\0b"s}), "a\0b сохранен"s);
}

struct FormatCase {
  std::string name;
  std::string result;
  std::string expected;
};

TEST(FormatText, FillsConversionsInOrder) {
  const std::string zeros = "a\0b"s;
  const FormatCase cases[] = {
      {"catalogue format", formatText(catalogueUtf8(144), {"old", "new", 3}),
       "Замена \"old\" на \"new\" - замен - 3"},
      {"two numbers", formatText(catalogueUtf8(153), {"<", ">", 2, 1}),
       "Sort between \"<\" and \">\" - 2 sorted . 1 not sorted and added at the end of the file "},
      {"zero bytes in an argument", formatText("[%s]", {zeros}), "[a\0b]"s},
      {"zero byte in the format", formatText("x\0%d"s, {5}),
       "x\0"
       "5"s},
      {"zero", formatText("%d", {0}), "0"},
      {"large count", formatText("%d", {std::uint64_t{18446744073709551615u}}),
       "18446744073709551615"},
      {"argument not read as a format", formatText("%s-%d", {"%s%d%%", 1}), "%s%d%%-1"},
      {"percent percent", formatText("100%% %d", {7}), "100% 7"},
      {"percent percent before d", formatText("%%d", {7}), "%d"},
      {"no argument left", formatText("%s and %s, %d", {"a"}), "a and %s, %d"},
      {"no arguments", formatText("%d%%", {}), "%d%"},
      {"other conversion", formatText("%x %5d %s", {"a"}), "%x %5d a"},
      {"trailing percent", formatText("50%", {1}), "50%"},
      {"number for %s", formatText("%s", {42}), "42"},
      {"text for %d", formatText("%d", {"many"}), "many"},
  };
  for (const FormatCase& c : cases) EXPECT_EQ(c.result, c.expected) << c.name;
}

}  // namespace
}  // namespace strovel
