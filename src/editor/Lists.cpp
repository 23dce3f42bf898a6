#include "Lists.h"

namespace editor {

int Lists::firstSelected(const QItemSelectionModel& selection) {
    int first = 0;
    for (const QModelIndex& index : selection.selectedRows())
        if (first == 0 || index.row() + 1 < first) first = index.row() + 1;
    return first;
}

void Lists::select(QItemSelectionModel& selection, int k) {
    const QModelIndex index = selection.model()->index(k - 1, 0);
    if (k < 1 || !index.isValid()) return;
    selection.setCurrentIndex(index,
                              QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

}  // namespace editor
