#include "host/segment_table_model.h"

#include "render/angle_colour.h"

using namespace kestrano;

namespace {

enum Column { Segment, Label, X1, Y1, X2, Y2, LengthPx, Angle, Length, Border, ColumnCount };

}  // namespace

void SegmentTableModel::setSegments(std::vector<SegmentRow> rows, const QString& unit)
{
    beginResetModel();
    rows_ = std::move(rows);
    unit_ = unit;
    endResetModel();
    emit headerDataChanged(Qt::Horizontal, 0, ColumnCount - 1);
}

int SegmentTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int SegmentTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant SegmentTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= static_cast<int>(rows_.size()))
        return {};
    const SegmentRow& row = rows_[index.row()];
    if (role == Qt::DecorationRole && index.column() == Angle)
        return angleColour(row.angleDeg);
    if (role == Qt::TextAlignmentRole)
        return int(index.column() == Border ? Qt::AlignCenter : Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole && role != Qt::UserRole)
        return {};
    const bool display = role == Qt::DisplayRole;
    switch (index.column()) {
    case Segment: return row.segment;
    case Label: return row.label;
    case X1: return row.x1;
    case Y1: return row.y1;
    case X2: return row.x2;
    case Y2: return row.y2;
    case LengthPx: return display ? QVariant(QString::number(row.lengthPx, 'f', 2)) : QVariant(row.lengthPx);
    case Angle: return display ? QVariant(QString::number(row.angleDeg, 'f', 1)) : QVariant(row.angleDeg);
    case Length: return display ? QVariant(QString::number(row.length, 'g', 5)) : QVariant(row.length);
    case Border: return display ? QVariant(row.touchesBorder ? tr("yes") : QString()) : QVariant(row.touchesBorder);
    default: return {};
    }
}

QVariant SegmentTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case Segment: return tr("#");
    case Label: return tr("Region");
    case X1: return tr("x1");
    case Y1: return tr("y1");
    case X2: return tr("x2");
    case Y2: return tr("y2");
    case LengthPx: return tr("Length (px)");
    case Angle: return tr("Angle (\u00B0)");
    case Length: return tr("Length (%1)").arg(unit_);
    case Border: return tr("Border");
    default: return {};
    }
}
