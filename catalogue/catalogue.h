// The bilingual string catalogue: every user-visible text by numeric id,
// Russian at the even id of a pair and English at the odd id after it (101
// stands alone, English only). Texts are held as UTF-8 and handed out in the
// ANSI code page of the process (the locale's codeset), '?' standing for a
// character the codeset lacks.
//
//   LanguageSelector language;
//   std::string text = localizedString(language, TextId::DoesNotOpen);  // " не открывается"
//   std::string line = formatText(loadString(TextId::ReplaceSummary), {"old", "new", 3});
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "catalogue/notice.h"
#include "catalogue/text_id.h"

namespace strovel {

// Answers which language is in force. There is no setting behind it: the
// product runs in Russian. Subclasses exist only in tests.
class LanguageSelector {
 public:
  static constexpr int kRussian = 1;
  static constexpr int kEnglish = 2;
  virtual ~LanguageSelector() = default;
  virtual int language() const { return kRussian; }
};

// The English id of the pair (the Russian id + 1) when the language is
// English, the Russian id otherwise.
TextId localizedId(const LanguageSelector& selector, TextId russian);

// The text with this numeric id as held in the catalogue (UTF-8); empty for
// an id without an entry.
std::string_view catalogueUtf8(int id);

// The text in the ANSI code page; empty for an id without an entry.
std::string loadString(TextId id);

// loadString(localizedId(selector, russian)).
std::string localizedString(const LanguageSelector& selector, TextId russian);

// A notice as the user reads it: its subject directly followed by its text.
std::string renderNotice(const LanguageSelector& selector, const Notice& notice);

// One argument of formatText: a byte string for %s or a number for %d.
class TextArg {
 public:
  TextArg(std::string_view text) : text_(text), isNumber_(false) {}
  TextArg(const char* text) : text_(text), isNumber_(false) {}
  TextArg(const std::string& text) : text_(text), isNumber_(false) {}
  TextArg(std::uint64_t number) : number_(number), isNumber_(true) {}
  TextArg(int number) : number_(static_cast<std::uint64_t>(number)), isNumber_(true) {}
  std::string_view text() const { return text_; }
  std::uint64_t number() const { return number_; }
  bool isNumber() const { return isNumber_; }

 private:
  std::string_view text_;
  std::uint64_t number_ = 0;
  bool isNumber_;
};

// Fills a catalogue format: each %s or %d takes the next argument in order
// (a text for %s, a number for %d, written in decimal); "%%" gives "%".
// Argument bytes are copied as they are, zero bytes included, and are never
// read as a format. A conversion without an argument left, or any other
// '%', is copied literally.
std::string formatText(std::string_view format, std::initializer_list<TextArg> args);

}  // namespace strovel
