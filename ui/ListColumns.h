#pragma once
// Column widths of item lists taken from the font: each column as wide as the
// widest text it can hold and its heading.
#include <QString>
#include <string_view>

class QAbstractItemView;
class QFontMetrics;
class QTreeWidget;

namespace ListColumns {

// The widest of the characters in the font, and its advance.
QChar WidestChar(const QFontMetrics& fm, std::string_view chars);
int Widest(const QFontMetrics& fm, std::string_view chars);

// The width a cell of the view needs to show text whole (with a picture of
// the view's icon size before it when picture).
int CellWidth(const QAbstractItemView* view, const QString& text, bool picture = false);

// Makes the column wide enough for the widest text and its heading; returns
// the width set.
int FitColumn(QTreeWidget* list, int column, const QString& widest, bool picture = false);

}  // namespace ListColumns
