#pragma once
// The picture of the main window for the documentation: a report shown on each side, chosen as a
// person would choose it (a click on an entry of each list), then the window saved as an image.

#include <QString>

namespace qbm {

class MainWindow;

// "Merge >" clicked, the overwrite question answered Yes: the window after a merge, with what the
// merge did below its controls.
void MergeForPicture(MainWindow& window);

// Clicks an entry of each list that holds entries, lets the window paint, and saves the window's
// picture to `file` (the format by its extension). False, with a reason in `error`, when the
// picture cannot be saved.
bool SaveWindowPicture(MainWindow& window, const QString& file, QString* error);

// The picture of the Response window: from the entry a third of the way down each list, the first
// driver with acoustic data is selected (as a click would), the window is opened as a double click
// opens it, and its picture saved to `file`.
bool SaveResponsePicture(MainWindow& window, const QString& file, QString* error);

}  // namespace qbm
