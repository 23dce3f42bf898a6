#pragma once

#include "Codec.h"

#include <QAbstractTableModel>
#include <QString>
#include <QStringList>
#include <QVector>

namespace editor {

// One entry of a list: its own text and its first sub-item, and the line it was listed from, by
// index and as stored, so that an operation finds that line and no other.
struct Entry {
    QString text;
    QString subItem;
    int line = 0;
    QString stored;
    // A card listed by its line number alone: the list takes its line and sides from the lines
    // it was given when they are shown or used, so that listing 100,000 cards decodes none.
    bool sidesToCome = false;
};

// A list in report view: entries under titled columns. Flat and rebuilt whole, so that a set of
// 100,000 cards is listed at once.
class ListModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit ListModel(int columns);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    int count() const { return int(entries_.size()); }
    // Entry k, counted from 1, with its sides.
    Entry entry(int k) const;
    QString title(int column) const { return titles_.value(column); }

    void clear();
    // `lines` holds the lines of entries whose sides are to come.
    void setEntries(QVector<Entry> entries, codec::Lines lines = {});

    // The longest text a list shows; the entry keeps the whole text.
    static constexpr int kShownLength = 1000;
    static QString shown(const QString& text);
    void setTitle(int column, const QString& title);

private:
    int columns_;
    QStringList titles_;
    QVector<Entry> entries_;
    codec::Lines lines_;
};

}  // namespace editor
