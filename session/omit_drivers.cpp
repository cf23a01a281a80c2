// "Omit Driver": strike the selected entries from the old list before a merge.

#include "session/operation_scope.h"
#include "session/session.h"

namespace qbm {

void Session::FromOmit_Click() {
  OperationScope scope(ui_);
  scope.setBusy(true);
  DriverList& list = state_.FromList;
  for (std::size_t i = list.count(); i-- > 0;) {
    if (!list.entry(i).selected) continue;
    list.removeAt(i);
    --state_.OldDriverCount;
  }
  list.tooltip = DriverCountTooltip(state_.OldDriverCount);
  state_.FromRText.clear();
  state_.visible.FromOmit = false;
  UpdateMergeButton();
  scope.setBusy(false);
  notify();
}

}  // namespace qbm
