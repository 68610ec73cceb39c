// The string catalogue compiled into the program: the About item (101) and
// the 59 Russian/English pairs 102..219, held as UTF-8 literals and
// converted to the locale's codeset when loaded. Also the language rule that
// turns a pair's Russian id into the id to load, and formatText, which fills
// the printf-like catalogue formats without ever handing bytes to printf.
#include "catalogue/catalogue.h"

#include <array>

#include "platform/codepage.h"

namespace strovel {
namespace {

constexpr int kAboutId = static_cast<int>(TextId::AboutItem);
constexpr int kFirstPairId = 102;
constexpr int kLastPairId = 219;

constexpr std::string_view kAboutText = "&About Strovel...";

struct CataloguePair {
  int russianId;
  std::string_view russian;
  std::string_view english;
};

// Rows in id order, one per pair; blanks at either end of a text are part of it.
constexpr std::array<CataloguePair, 59> kPairs = {{
    {102, "Заменить Образец1 на Образец2", "Replace Pattern1 with Pattern2"},
    {104, "Оставить только строки, содержащие Образец1", "Leave only strings with Pattern1"},
    {106, "Удалить строки. содержащие Образец1", "Delete strings with Pattern1"},
    {108, "Заменить в строке между Образец1 и Образец2 на Образец3",
     "In a string, replace the element between Pattern1 and Pattern2 with Pattern3"},
    {110, "Сортировать строки по элементу между Образец1 и Образец2",
     "Sort strings according to the element between Pattern1 and Pattern2"},
    {112, "Сортировать и оставить только неодинаковые", "Sort and leave only not identical"},
    {114, "Удалить", "Delete"},
    {116, "^^^ Добавить", "^^^ Add"},
    {118, "<== Вставить", "<== Insert"},
    {120, "Образец1", "Pattern1"},
    {122, "Образец2", "Pattern2"},
    {124, "Образец3", "Pattern3"},
    {126, "Номер нахождения от начала строки", "Location number from the beginning of the string"},
    {128, "Номер нахождения после найденного Образца1", "Location number after the found Pattern1"},
    {130, "Отмена", "Cancel"},
    {132, "Выбрать файл и обработать", "Choose and process a file"},
    {134, "Выход", "Exit"},
    {136, "dos кодировка", "dos coding"},
    {138, "Добавлять статистику в результирующий файл", "Add statistics into the result file"},
    {140, "Не задано имя шаблона", "The Pattern name is not set"},
    {142, "txt (*.txt)|*.txt|Все файлы (*.*)|*.*||", "txt (*.txt)|*.txt|All files (*.*)|*.*||"},
    {144, "Замена \"%s\" на \"%s\" - замен - %d", "Replace \"%s\" with \"%s\" - %d replaces"},
    {146, "Оставлять только строки, содержащие \"%s\" - оставлено строк - %d",
     "Leave only strings with \"%s\" - %d strings are left"},
    {148, "Удалять строки, содержащие \"%s\" - удалено строк - %d",
     "Delete strings with \"%s\" - %d strings are deleted"},
    {150, "Замена между \"%s\" и \"%s\" - замен - %d",
     "Replace between \"%s\" and \"%s\" - %d replaces"},
    {152,
     "Сортировка между \"%s\" и \"%s\" - отсортировано = %d. Неотсортировано и добавлено в конец "
     "файла = %d",
     "Sort between \"%s\" and \"%s\" - %d sorted . %d not sorted and added at the end of the "
     "file "},
    {154,
     "Сортировать и оставлять неодинаковые между \"%s\" и \"%s\" - оставлено = %d. удалено = %d",
     "Sort and leave not identical between \"%s\" and \"%s\" - %d left. %d deleted"},
    {156, "Элемент \"%s\" - повторяется %d раз.", "Element \"%s\" - is repeated %d times."},
    {158, "Не верный тип действия", "Incorrect action type"},
    {160, " не создается", " is not created"},
    {162, "Ни одного файла *.shbl не найдено", "No *.shbl files are found"},
    {164, " не открывается", " does not open"},
    {166, " сохранен", " saved"},
    {168, "Такой шаблон уже существует. Заменить его?",
     "Such Pattern already exists. Would You like to replace it?"},
    {170, "файл шаблон (*.shbl)|*.shbl|Все файлы (*.*)|*.*||",
     "pattern file (*.shbl)|*.shbl|All files (*.*)|*.*||"},
    {172, "Выбор файла", "Choose file"},
    {174, "Сохранить изменения в шаблоне %s?", "Would You like to save changes in pattern %s?"},
    {176, "https://strovel.org/ru/another_progs.html", "https://strovel.org/other_progs.html"},
    {178, "Новый шаблон", "New pattern"},
    {180, "Редактирование шаблона", "Edit pattern"},
    {182, "Заменить в ФАЙЛЕ между Образец1 и Образец2 на Образец3", " "},
    // The preview (trial run).
    {184, "Предпросмотр...", "Preview..."},
    {186, "Предпросмотр - %s", "Preview - %s"},
    {188, "Записать результат", "Write result"},
    {190, "Закрыть", "Close"},
    {192, "<< Предыдущее изменение", "<< Previous change"},
    {194, "Следующее изменение >>", "Next change >>"},
    {196, "Изменений: %d (строк удалено: %d, добавлено: %d)",
     "Changes: %d (lines removed: %d, added: %d)"},
    {198, "Без изменений", "No changes"},
    {200,
     "Сортировка переставляет строки: результат показан рядом с исходным текстом без выравнивания",
     "A sort moves lines: the result is shown beside the input without alignment"},
    {202, "Выравнивание строк...", "Aligning the lines..."},
    {204, "Текст слишком велик для выравнивания: стороны показаны без выравнивания",
     "The text is too large to align: the sides are shown without alignment"},
    {206, "Исходный текст", "Input"},
    {208, "Результат", "Result"},
    {210, " слишком велик для сравнения", " is too large to compare"},
    // A processing command stopped by the user.
    {212, "Обработка остановлена", "Processing stopped"},
    // The preview's steps: the whole pattern, or one rule at a time.
    {214, "Весь шаблон", "Whole pattern"},
    {216, "Правило %d из %d", "Rule %d of %d"},
    {218, "Пробный прогон правил до выбранного...", "Trying the rules up to this one..."},
}};

// The row index is derived from the id, so every row must sit at its place.
constexpr bool pairsInIdOrder() {
  for (std::size_t i = 0; i < kPairs.size(); ++i) {
    if (kPairs[i].russianId != kFirstPairId + 2 * static_cast<int>(i)) return false;
  }
  return kFirstPairId + 2 * static_cast<int>(kPairs.size()) - 1 == kLastPairId;
}
static_assert(pairsInIdOrder(), "catalogue rows must cover 102..219 in id order");

// Appends the next argument, a text as its bytes and a number in decimal.
// A conversion letter that does not match its argument's kind still takes
// that argument and writes it as what it is.
void appendArg(const TextArg& arg, std::string& out) {
  if (arg.isNumber()) {
    out += std::to_string(arg.number());
  } else {
    out += arg.text();
  }
}

}  // namespace

TextId localizedId(const LanguageSelector& selector, TextId russian) {
  const int id = static_cast<int>(russian);
  return static_cast<TextId>(selector.language() == LanguageSelector::kEnglish ? id + 1 : id);
}

std::string_view catalogueUtf8(int id) {
  if (id == kAboutId) return kAboutText;
  if (id < kFirstPairId || id > kLastPairId) return {};
  const CataloguePair& pair = kPairs[static_cast<std::size_t>(id - kFirstPairId) / 2];
  return id % 2 == 0 ? pair.russian : pair.english;
}

std::string loadString(TextId id) { return utf8ToAnsi(catalogueUtf8(static_cast<int>(id))); }

std::string localizedString(const LanguageSelector& selector, TextId russian) {
  return loadString(localizedId(selector, russian));
}

std::string renderNotice(const LanguageSelector& selector, const Notice& notice) {
  return notice.subject + localizedString(selector, notice.text);
}

std::string formatText(std::string_view format, std::initializer_list<TextArg> args) {
  std::string out;
  out.reserve(format.size());
  const TextArg* next = args.begin();
  std::size_t pos = 0;
  while (pos < format.size()) {
    const char c = format[pos];
    const char conversion = pos + 1 < format.size() ? format[pos + 1] : '\0';
    if (c == '%' && conversion == '%') {
      out += '%';
      pos += 2;
    } else if (c == '%' && (conversion == 's' || conversion == 'd') && next != args.end()) {
      appendArg(*next++, out);
      pos += 2;
    } else {
      out += c;
      ++pos;
    }
  }
  return out;
}

}  // namespace strovel
