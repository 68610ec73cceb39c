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

namespace {

// What Qt's own Russian catalogue lacks: the file dialog's type of a
// folder and a drive (their context was renamed after the catalogue was
// made).
class MissingQtTexts : public QTranslator {
 public:
  using QTranslator::QTranslator;
  bool isEmpty() const override { return false; }
  QString translate(const char* context, const char* source, const char* /*disambiguation*/,
                    int /*n*/) const override {
    if (qstrcmp(context, "QAbstractFileIconProvider") != 0) return {};
    if (qstrcmp(source, "Folder") == 0) return QStringLiteral("Папка");
    if (qstrcmp(source, "Drive") == 0) return QStringLiteral("Диск");
    if (qstrcmp(source, "File") == 0) return QStringLiteral("Файл");
    return {};
  }
};

}  // namespace

void loadQtTranslations(int language) {
  static bool installed = false;
  if (installed || language != LanguageSelector::kRussian) return;
  installed = true;
  QObject* app = QCoreApplication::instance();
  // Installed first, so asked last: Qt's catalogue wins where it has a text.
  QCoreApplication::installTranslator(new MissingQtTexts(app));
  auto* translator = new QTranslator(app);
  if (translator->load(QStringLiteral("qtbase_ru"),
                       QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    QCoreApplication::installTranslator(translator);
  } else {
    delete translator;
  }
}

QString toDisplayPath(const std::string& path) {
  return QFile::decodeName(QByteArray(path.data(), static_cast<qsizetype>(path.size())));
}

std::string fromDisplayPath(const QString& path) { return QFile::encodeName(path).toStdString(); }

}  // namespace strovel
