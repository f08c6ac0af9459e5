#pragma once
// A list control as Qt's item view reads it: rows and cells from the model each time Qt asks, and
// cells drawn with their column's indent and border mark.
#include <QAbstractTableModel>
#include <QPointer>
#include <QStyledItemDelegate>

#include "platform/ui/qt/QtWindowWidget.h"

namespace quorin::ui {

class ListModel : public QAbstractTableModel {
public:
    ListModel(WindowWidget* owner, int number, QObject* parent)
        : QAbstractTableModel(parent), owner_(owner), number_(number)
    {
    }

    void Reset()
    {
        beginResetModel();
        endResetModel();
    }

    // The row count the view was last told; a queue that grew or shrank since needs a reset.
    int Told() const { return told_; }

    int rowCount(const QModelIndex& parent) const override;
    int columnCount(const QModelIndex& parent) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    const Control* Model() const;

    QPointer<WindowWidget> owner_;
    int number_;
    mutable int told_ = 0;
};

// Draws a list's cells with the column's indent and its right border mark ("|").
class ColumnDelegate : public QStyledItemDelegate {
public:
    ColumnDelegate(WindowWidget* owner, int number, QObject* parent)
        : QStyledItemDelegate(parent), owner_(owner), number_(number)
    {
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    const ListColumn* Column(int section) const;

    QPointer<WindowWidget> owner_;
    int number_;
};

// The list model of a view made by this backend.
inline ListModel* ListModelOf(QAbstractItemModel* model) { return static_cast<ListModel*>(model); }

// How far a column's text stands in from the side it is aligned to, in pixels.
int ColumnIndent(const ListColumn& column, const DialogUnits& units);
// A column's width in pixels in `view`'s font: the list format's, grown where that cannot hold the
// widest value of the column's picture (a date or a time in the locale in use) with its indent.
int ColumnWidth(const QWidget* view, const ListColumn& column, const DialogUnits& units);

} // namespace quorin::ui
