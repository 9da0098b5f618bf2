#include "ui/ListColumns.h"

#include <QAbstractItemView>
#include <QFontMetrics>
#include <QHeaderView>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTreeWidget>
#include <algorithm>

namespace ListColumns {

QChar WidestChar(const QFontMetrics& fm, std::string_view chars) {
    QChar widest(' ');
    int width = -1;
    for (char c : chars) {
        const int w = fm.horizontalAdvance(QLatin1Char(c));
        if (w > width) {
            width = w;
            widest = QLatin1Char(c);
        }
    }
    return widest;
}

int Widest(const QFontMetrics& fm, std::string_view chars) { return fm.horizontalAdvance(WidestChar(fm, chars)); }

int CellWidth(const QAbstractItemView* view, const QString& text, bool picture) {
    // What the view's item delegate asks the style for.
    QStyleOptionViewItem opt;
    opt.initFrom(view);
    opt.widget = view;
    opt.font = view->font();
    opt.fontMetrics = QFontMetrics(opt.font);
    opt.text = text;
    opt.features = QStyleOptionViewItem::HasDisplay;
    if (picture) {
        const int side = view->style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, view);
        opt.decorationSize = view->iconSize().isValid() ? view->iconSize() : QSize(side, side);
        opt.features |= QStyleOptionViewItem::HasDecoration;
    }
    return view->style()->sizeFromContents(QStyle::CT_ItemViewItem, &opt, QSize(), view).width();
}

int FitColumn(QTreeWidget* list, int column, const QString& widest, bool picture) {
    const int width = std::max(CellWidth(list, widest, picture), list->header()->sectionSizeHint(column));
    list->setColumnWidth(column, width);
    return width;
}

}  // namespace ListColumns
