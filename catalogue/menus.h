// The main window's menu bar in both languages: menu 130 (Russian) and menu
// 133 (English), the same commands in the same places. Texts are UTF-8, as
// Qt shows them. The window adds its own items to these (the preview, the
// About item) and binds each command to its handler.
//
//   for (const MenuPopup& popup : mainMenu(language))
//     for (const MenuItem& item : popup.items) addAction(popup.title, item.text, item.command);
#pragma once

#include <span>
#include <string_view>

#include "catalogue/catalogue.h"

namespace strovel {

enum class MenuCommand : int {
  RefreshPatternList = 32771,
  SavePattern = 32772,
  SavePatternAs = 32773,
  OnlineHelp = 32775,
  CommandLineSyntax = 57670,
};

struct MenuItem {
  MenuCommand command;
  std::string_view text;
};

struct MenuPopup {
  std::string_view title;
  std::span<const MenuItem> items;
};

// Menu 130 when the selector answers Russian, menu 133 for any other answer.
std::span<const MenuPopup> mainMenu(const LanguageSelector& language);

}  // namespace strovel
