#include "app/file_dialog_filter.h"

#include <QString>

namespace qbm {

QStringList NameFiltersOf(std::string_view filter) {
  const QStringList parts = QString::fromUtf8(filter.data(), static_cast<qsizetype>(filter.size())).split('|');
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    const QString description = parts[i].trimmed();
    QStringList patterns = parts[i + 1].split(';', Qt::SkipEmptyParts);
    for (QString& p : patterns) p = p.trimmed();
    patterns.removeAll(QString());
    if (patterns.isEmpty()) continue;
    const QString joined = patterns.join(' ');
    filters << (description.isEmpty() ? joined : description + " (" + joined + ")");
  }
  return filters;
}

}  // namespace qbm
