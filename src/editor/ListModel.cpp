#include "ListModel.h"

#include "CardOps.h"

#include <utility>

namespace editor {

ListModel::ListModel(int columns) : columns_(columns) {
    for (int c = 0; c < columns; ++c) titles_.append(QString());
}

int ListModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : count(); }

int ListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : columns_;
}

QString ListModel::shown(const QString& text) {
    // Measuring a side of megabytes for a 240-pixel column would freeze the list for seconds.
    if (text.size() <= kShownLength) return text;
    return text.left(kShownLength) + QChar(0x2026);
}

QVariant ListModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= count()) return {};
    const Entry e = entry(index.row() + 1);
    if (index.column() == 0) return shown(e.text);
    if (index.column() == 1) return shown(e.subItem);
    return {};
}

QVariant ListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    return titles_.value(section);
}

Entry ListModel::entry(int k) const {
    const Entry& e = entries_.at(k - 1);
    return e.sidesToCome ? CardEntry(lines_.at(e.line), e.line) : e;
}

void ListModel::clear() { setEntries({}); }

void ListModel::setEntries(QVector<Entry> entries, codec::Lines lines) {
    beginResetModel();
    entries_ = std::move(entries);
    lines_ = std::move(lines);
    endResetModel();
}

void ListModel::setTitle(int column, const QString& title) {
    if (column < 0 || column >= columns_) return;
    titles_[column] = title;
    emit headerDataChanged(Qt::Horizontal, column, column);
}

}  // namespace editor
