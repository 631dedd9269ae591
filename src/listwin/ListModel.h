#pragma once

#include "listwin/ItemsList.h"

#include <QAbstractTableModel>

// The grid's view of the list: the visible columns in their order, each cell computed from
// its row when the grid asks for it. Texts are never held; a row only knows whether it has one.
class ListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit ListModel(const ItemsList& list, QObject* parent = nullptr);

    // Call before the list replaces its rows and columns, and after it has.
    void BeginReset();
    void EndReset();
    // Call after a display option changed for the same rows.
    void Redraw();
    ListField FieldAt(int column) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // The text of one cell, as the grid shows it.
    QString CellText(int row, ListField field) const;

private:
    const ItemsList& list;
};
