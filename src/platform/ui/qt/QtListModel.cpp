#include "platform/ui/qt/QtListModel.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QPainter>
#include <QStyle>
#include <algorithm>
#include <cmath>

#include "platform/runtime/Picture.h"

namespace quorin::ui {

int ColumnIndent(const ListColumn& column, const DialogUnits& units)
{
    return column.alignment == Alignment::Center ? 0 : units.ToPixelsX(column.indent);
}

int ColumnWidth(const QWidget* view, const ListColumn& column, const DialogUnits& units)
{
    const int defined = units.ToPixelsX(column.width);
    const QFontMetricsF metrics(view->font());
    const auto width = [&](std::string_view text) { return metrics.horizontalAdvance(FromUtf8(text)); };
    const std::string widest = WidestPictureText(column.picture, width);
    if (widest.empty()) {
        return defined;
    }
    // The style draws an item's text inside a margin on either side of its cell.
    const int margin = view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1;
    const int needed = static_cast<int>(std::ceil(width(widest))) + 2 * margin + ColumnIndent(column, units);
    return std::max(defined, needed);
}

const Control* ListModel::Model() const
{
    Window* w = owner_ ? owner_->model() : nullptr;
    return w ? w->control(number_) : nullptr;
}

int ListModel::rowCount(const QModelIndex& parent) const
{
    const Control* c = Model();
    if (parent.isValid()) {
        return 0;
    }
    told_ = c == nullptr ? 0 : c->RowCount();
    return told_;
}

int ListModel::columnCount(const QModelIndex& parent) const
{
    const Control* c = Model();
    return parent.isValid() || c == nullptr ? 0 : static_cast<int>(c->listFormat().columns.size());
}

QVariant ListModel::data(const QModelIndex& index, int role) const
{
    const Control* c = Model();
    if (c == nullptr || !index.isValid()) {
        return {};
    }
    const auto& columns = c->listFormat().columns;
    if (index.column() >= static_cast<int>(columns.size())) {
        return {};
    }
    if (role == Qt::DisplayRole) {
        const std::vector<std::string> texts = c->RowTexts(index.row() + 1);
        return index.column() < static_cast<int>(texts.size())
                   ? FromUtf8(texts[static_cast<std::size_t>(index.column())])
                   : QString();
    }
    if (role == Qt::TextAlignmentRole) {
        return QVariant::fromValue(ToQtAlignment(columns[static_cast<std::size_t>(index.column())].alignment));
    }
    return {};
}

QVariant ListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    const Control* c = Model();
    if (c == nullptr || orientation != Qt::Horizontal || section >= static_cast<int>(c->listFormat().columns.size())) {
        return {};
    }
    const ListColumn& column = c->listFormat().columns[static_cast<std::size_t>(section)];
    if (role == Qt::DisplayRole) {
        return FromUtf8(column.header);
    }
    if (role == Qt::TextAlignmentRole) {
        return QVariant::fromValue(ToQtAlignment(column.headerAlignment));
    }
    return {};
}

void ColumnDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QStyleOptionViewItem shifted(option);
    const ListColumn* column = Column(index.column());
    if (column != nullptr && owner_) {
        const int indent = ColumnIndent(*column, owner_->units());
        if (column->alignment == Alignment::Right || column->alignment == Alignment::Decimal) {
            shifted.rect.adjust(0, 0, -indent, 0);
        } else if (column->alignment == Alignment::Left) {
            shifted.rect.adjust(indent, 0, 0, 0);
        }
    }
    if (shifted.rect != option.rect) {
        // The row's background (a selection's colour) spans the whole cell, indent included;
        // only the text moves in.
        QStyleOptionViewItem full(option);
        initStyleOption(&full, index);
        full.text.clear();
        full.icon = QIcon();
        const QWidget* view = option.widget;
        (view != nullptr ? view->style() : QApplication::style())
            ->drawControl(QStyle::CE_ItemViewItem, &full, painter, view);
    }
    QStyledItemDelegate::paint(painter, shifted, index);
    if (column != nullptr && column->rightBorder) {
        painter->save();
        painter->setPen(option.palette.color(QPalette::Mid));
        painter->drawLine(option.rect.topRight(), option.rect.bottomRight());
        painter->restore();
    }
}

const ListColumn* ColumnDelegate::Column(int section) const
{
    Window* w = owner_ ? owner_->model() : nullptr;
    const Control* c = w ? w->control(number_) : nullptr;
    if (c == nullptr || section < 0 || section >= static_cast<int>(c->listFormat().columns.size())) {
        return nullptr;
    }
    return &c->listFormat().columns[static_cast<std::size_t>(section)];
}

} // namespace quorin::ui
