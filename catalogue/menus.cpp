// The two menus as tables.
#include "catalogue/menus.h"

#include <array>

namespace strovel {
namespace {

using enum MenuCommand;

constexpr std::array<MenuItem, 3> kRussianFile = {{
    {RefreshPatternList, "Обновить список шаблонов"},
    {SavePattern, "Сохранить шаблон"},
    {SavePatternAs, "Сохранить шаблон как"},
}};
constexpr std::array<MenuItem, 2> kRussianHelp = {{
    {OnlineHelp, "On-line help"},
    {CommandLineSyntax, "Показать синтаксис командной строки"},
}};
constexpr std::array<MenuItem, 3> kEnglishFile = {{
    {RefreshPatternList, "Update pattern list"},
    {SavePattern, "Save pattern"},
    {SavePatternAs, "Save pattern as"},
}};
constexpr std::array<MenuItem, 2> kEnglishHelp = {{
    {OnlineHelp, "On-line help"},
    {CommandLineSyntax, "Comand line parameters"},
}};

constexpr std::array<MenuPopup, 2> kRussianMenu = {
    {{"Файл", kRussianFile}, {"Помощь", kRussianHelp}}};
constexpr std::array<MenuPopup, 2> kEnglishMenu = {
    {{"File", kEnglishFile}, {"Help", kEnglishHelp}}};

}  // namespace

std::span<const MenuPopup> mainMenu(const LanguageSelector& language) {
  if (language.language() == LanguageSelector::kRussian) return kRussianMenu;
  return kEnglishMenu;
}

}  // namespace strovel
