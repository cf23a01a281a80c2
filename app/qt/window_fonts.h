#pragma once
// Fonts by the names the window and the reports ask for ("MS Sans Serif", "Arial"), with a
// sans-serif of similar width when the named family is not installed.

#include <QFont>
#include <QString>
#include <string_view>

namespace qbm {

// The family used for a requested family: the family itself when installed, else a known
// metric-alike (Microsoft Sans Serif for MS Sans Serif; Liberation Sans or Arimo for Arial), else a
// narrow sans-serif the system has.
QString ResolveFontFamily(std::string_view requested);

// The font for a control or a report run: family as resolved, size in points (the default size
// when not positive), bold or regular.
QFont WindowFont(std::string_view family, double points, bool bold);

}  // namespace qbm
