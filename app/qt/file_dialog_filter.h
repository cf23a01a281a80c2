#pragma once
// The open-file dialog's filter as the session gives it, "Description|pattern|Description|pattern",
// turned into Qt's name filters, "Description (pattern)". Several patterns of one description are
// separated by ";" in the session's form and by blanks in Qt's.

#include <QStringList>
#include <string_view>

namespace qbm {

// One name filter per description and pattern pair, in order (app/view/dialog_text.h).
QStringList NameFiltersOf(std::string_view filter);

}  // namespace qbm
