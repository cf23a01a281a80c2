#include "app/qt/file_dialog_filter.h"

#include <QString>

#include "app/qt/qt_text.h"
#include "app/view/dialog_text.h"

namespace qbm {

QStringList NameFiltersOf(std::string_view filter) {
  QStringList filters;
  for (const DialogFilter& f : ParseDialogFilter(filter)) {
    QStringList patterns;
    for (const std::string& p : f.patterns) patterns << qtText(p);
    const QString joined = patterns.join(' ');
    filters << (f.description.empty() ? joined : qtText(f.description) + " (" + joined + ")");
  }
  return filters;
}

}  // namespace qbm
