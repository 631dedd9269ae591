#include "listwin/ListModel.h"

ListModel::ListModel(const ItemsList& list, QObject* parent)
    : QAbstractTableModel(parent), list(list) {}

void ListModel::BeginReset() {
    beginResetModel();
}

void ListModel::EndReset() {
    endResetModel();
}

void ListModel::Redraw() {
    if (rowCount() > 0 && columnCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
}

ListField ListModel::FieldAt(int column) const {
    return list.Header().Columns.at(column).Field;
}

int ListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : list.Rows().Count();
}

int ListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(list.Header().Columns.size());
}

QString ListModel::CellText(int row, ListField field) const {
    return list.CellText(row, field);
}

QVariant ListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCount())
        return QVariant();
    const ListField field = FieldAt(index.column());
    if (role == Qt::DisplayRole)
        return CellText(index.row(), field);
    if (role == Qt::TextAlignmentRole &&
        (field == ListField::TextPres || field == ListField::LinksPres))
        return int(Qt::AlignCenter);
    return QVariant();
}

QVariant ListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section >= columnCount())
        return QVariant();
    return list.Header().Columns.at(section).Label;
}
