// Qt strings from and to ANSI bytes through the code-page layer.
#include "ui/ui_text.h"

#include <QCoreApplication>
#include <QFile>
#include <QLibraryInfo>
#include <QStringList>
#include <QTranslator>

#include "catalogue/catalogue.h"
#include "platform/codepage.h"

namespace strovel {

QString toDisplay(std::string_view ansi) { return QString::fromStdString(ansiToUtf8(ansi)); }

std::string fromDisplay(const QString& text) { return utf8ToAnsi(text.toStdString()); }

QString dialogFilter(std::string_view catalogueFilter) {
  const QStringList parts = toDisplay(catalogueFilter).split(QLatin1Char('|'));
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size() && !parts[i].isEmpty(); i += 2) {
    QString name = parts[i];
    const qsizetype paren = name.indexOf(QLatin1Char('('));
    if (paren >= 0) name.truncate(paren);
    const QString mask = parts[i + 1] == QLatin1String("*.*") ? QStringLiteral("*") : parts[i + 1];
    filters << name.trimmed() + QStringLiteral(" (") + mask + QLatin1Char(')');
  }
  return filters.join(QStringLiteral(";;"));
}

void loadQtTranslations(int language) {
  static QTranslator* installed = nullptr;
  if (installed || language != LanguageSelector::kRussian) return;
  auto* translator = new QTranslator(QCoreApplication::instance());
  if (translator->load(QStringLiteral("qtbase_ru"),
                       QLibraryInfo::path(QLibraryInfo::TranslationsPath)) &&
      QCoreApplication::installTranslator(translator)) {
    installed = translator;
  } else {
    delete translator;
  }
}

QString toDisplayPath(const std::string& path) {
  return QFile::decodeName(QByteArray(path.data(), static_cast<qsizetype>(path.size())));
}

std::string fromDisplayPath(const QString& path) { return QFile::encodeName(path).toStdString(); }

}  // namespace strovel
