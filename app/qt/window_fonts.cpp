#include "app/qt/window_fonts.h"

#include <QFontDatabase>
#include <QHash>
#include <QStringList>

namespace qbm {
namespace {

QStringList candidatesFor(const QString& requested) {
  QStringList candidates{requested};
  if (requested.compare("MS Sans Serif", Qt::CaseInsensitive) == 0)
    candidates << "Microsoft Sans Serif" << "Tahoma";
  else if (requested.compare("Arial", Qt::CaseInsensitive) == 0)
    candidates << "Liberation Sans" << "Arimo" << "Helvetica";
  // Sans-serifs that set the window's texts at about the designed width (the window was laid out
  // for narrow fonts; FitCaption narrows what is still too wide).
  candidates << "Liberation Sans" << "Arial" << "Arimo" << "Nimbus Sans" << "DejaVu Sans Condensed"
             << "DejaVu Sans";
  return candidates;
}

}  // namespace

QString ResolveFontFamily(std::string_view requested) {
  static QHash<QString, QString> resolved;
  const QString name = QString::fromUtf8(requested.data(), static_cast<qsizetype>(requested.size()));
  if (auto it = resolved.constFind(name); it != resolved.constEnd()) return *it;
  QString family = QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
  for (const QString& candidate : candidatesFor(name)) {
    if (QFontDatabase::hasFamily(candidate)) {
      family = candidate;
      break;
    }
  }
  resolved.insert(name, family);
  return family;
}

QFont WindowFont(std::string_view family, double points, bool bold) {
  QFont font(ResolveFontFamily(family));
  font.setStyleHint(QFont::SansSerif);
  if (points > 0) font.setPointSizeF(points);
  font.setBold(bold);
  return font;
}

}  // namespace qbm
