#pragma once
// The segments of the shown run as a table (the columns of segments.csv);
// numeric columns sort by value through Qt::UserRole.
#include <QAbstractTableModel>
#include <QString>
#include <vector>

#include "output/segment_table.h"

class SegmentTableModel : public QAbstractTableModel {
    Q_OBJECT

public:
    using QAbstractTableModel::QAbstractTableModel;

    // `unit` names the physical length column ("px" when none is known).
    void setSegments(std::vector<kestrano::SegmentRow> rows, const QString& unit);
    const std::vector<kestrano::SegmentRow>& segments() const { return rows_; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    std::vector<kestrano::SegmentRow> rows_;
    QString unit_ = QStringLiteral("px");
};
