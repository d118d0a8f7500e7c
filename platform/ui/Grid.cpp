#include "platform/ui/Grid.h"

#include "platform/ui/Form.h"
#include "platform/ui/Twips.h"

#include <QHeaderView>
#include <QMouseEvent>
#include <QScrollBar>

#include <algorithm>

namespace platform::ui {

namespace {
constexpr int kColourRole = Qt::UserRole + 1;

int ButtonOf(Qt::MouseButton b) {
    switch (b) {
    case Qt::LeftButton: return 1;
    case Qt::RightButton: return 2;
    case Qt::MiddleButton: return 4;
    default: return 0;
    }
}
} // namespace

Grid::Grid(QWidget* parent, const std::string& name) : QTableWidget(parent) {
    SetName(this, name);
    horizontalHeader()->hide();
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(std::max(fontMetrics().height() + 6, TwipsToPixelsY(285)));
    horizontalHeader()->setMinimumSectionSize(0);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setWordWrap(false);
}

void Grid::SetRows(int n) {
    n = std::max(0, n);
    setRowCount(n);
    for (int r = 0; r < std::min(n, fixedRows_); ++r) PaintFixed(r);
    row_ = std::clamp(row_, 0, std::max(0, n - 1));
    rowSel_ = std::clamp(rowSel_, 0, std::max(0, n - 1));
}

void Grid::SetCols(int n) {
    n = std::max(0, n);
    setColumnCount(n);
    for (int r = 0; r < std::min(rowCount(), fixedRows_); ++r) PaintFixed(r);
    col_ = std::clamp(col_, 0, std::max(0, n - 1));
    colSel_ = std::clamp(colSel_, 0, std::max(0, n - 1));
}

void Grid::SetFixedRows(int n) {
    fixedRows_ = std::clamp(n, 0, rowCount());
    for (int r = 0; r < fixedRows_; ++r) PaintFixed(r);
}

void Grid::PaintFixed(int row) {
    for (int c = 0; c < columnCount(); ++c) {
        QTableWidgetItem* item = Cell(row, c, true);
        item->setFlags(Qt::ItemIsEnabled);
        item->setBackground(ToQColor(syscolour::ButtonFace));
        QFont f = item->font();
        f.setBold(true);
        item->setFont(f);
    }
}

double Grid::ColWidth(int col) const {
    if (col < 0 || col >= columnCount()) return 0;
    return isColumnHidden(col) ? 0 : PixelsToTwipsX(columnWidth(col));
}

void Grid::SetColWidth(int col, double twips) {
    if (col < 0 || col >= columnCount()) return;
    const int px = twips <= 0 ? 0 : TwipsToPixelsX(twips);
    setColumnHidden(col, px == 0);
    if (px > 0) setColumnWidth(col, px);
}

double Grid::RowHeight(int row) const {
    if (row < 0 || row >= rowCount()) return 0;
    return PixelsToTwipsY(rowHeight(row));
}

void Grid::SetRowHeight(int row, double twips) {
    if (row < 0 || row >= rowCount()) return;
    setRowHeight(row, std::max(0, TwipsToPixelsY(twips)));
}

void Grid::SetRow(int row) {
    if (row < 0 || row >= rowCount()) return;
    row_ = rowSel_ = row;
    Select();
}

void Grid::SetCol(int col) {
    if (col < 0 || col >= columnCount()) return;
    col_ = colSel_ = col;
    Select();
}

void Grid::SetRowSel(int row) {
    if (row < 0 || row >= rowCount()) return;
    rowSel_ = row;
}

void Grid::SetColSel(int col) {
    if (col < 0 || col >= columnCount()) return;
    colSel_ = col;
}

void Grid::Select() {
    if (row_ < rowCount() && col_ < columnCount()) {
        QSignalBlocker quiet(this);
        setCurrentCell(row_, col_);
    }
}

QTableWidgetItem* Grid::Cell(int row, int col, bool make) {
    if (row < 0 || col < 0 || row >= rowCount() || col >= columnCount()) return nullptr;
    QTableWidgetItem* it = item(row, col);
    if (!it && make) {
        it = new QTableWidgetItem;
        it->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        setItem(row, col, it);
    }
    return it;
}

const QTableWidgetItem* Grid::Cell(int row, int col) const {
    if (row < 0 || col < 0 || row >= rowCount() || col >= columnCount()) return nullptr;
    return item(row, col);
}

std::string Grid::TextMatrix(int row, int col) const {
    const QTableWidgetItem* it = Cell(row, col);
    return it ? S(it->text()) : std::string();
}

void Grid::SetTextMatrix(int row, int col, const std::string& text) {
    if (QTableWidgetItem* it = Cell(row, col, true)) it->setText(Q(text));
}

OleColour Grid::CellBackColor() const {
    const QTableWidgetItem* it = Cell(row_, col_);
    if (it && it->data(kColourRole).isValid()) return static_cast<OleColour>(it->data(kColourRole).toULongLong());
    return BackColor(this);
}

void Grid::SetCellBackColor(OleColour c) {
    QTableWidgetItem* it = Cell(row_, col_, true);
    if (!it) return;
    it->setData(kColourRole, static_cast<qulonglong>(c));
    it->setBackground(ToQColor(c));
}

QRect Grid::CellRect() const {
    QRect r = visualRect(model()->index(row_, col_));
    return r.translated(viewport()->geometry().topLeft());
}

double Grid::CellLeft() const { return PixelsToTwipsX(CellRect().left()); }
double Grid::CellTop() const { return PixelsToTwipsY(CellRect().top()); }
double Grid::CellWidth() const { return PixelsToTwipsX(CellRect().width()); }
double Grid::CellHeight() const { return PixelsToTwipsY(CellRect().height()); }

int Grid::TopRow() const { return verticalScrollBar()->value() + fixedRows_; }

void Grid::SetTopRow(int row) {
    verticalScrollBar()->setValue(std::max(0, row - fixedRows_));
}

void Grid::SetRedraw(bool on) {
    redraw_ = on;
    viewport()->setUpdatesEnabled(on);
    if (on) viewport()->update();
}

int Grid::RowAt(double yTwips) const {
    return rowAt(TwipsToPixelsY(yTwips) - viewport()->geometry().top());
}

int Grid::ColAt(double xTwips) const {
    return columnAt(TwipsToPixelsX(xTwips) - viewport()->geometry().left());
}

void Grid::mousePressEvent(QMouseEvent* e) {
    setFocus(Qt::MouseFocusReason);
    const QPoint p = e->position().toPoint();
    const int r = rowAt(p.y()), c = columnAt(p.x());
    if (r >= fixedRows_ && r >= 0 && c >= 0 && (r != row_ || c != col_)) {
        row_ = rowSel_ = r;
        col_ = colSel_ = c;
        Select();
        emit SelChange();
    }
    e->accept();
}

void Grid::mouseReleaseEvent(QMouseEvent* e) {
    const QPoint p = viewport()->mapTo(this, e->position().toPoint());
    emit MouseUp(ButtonOf(e->button()), ShiftState(e->modifiers()), PixelsToTwipsX(p.x()),
                 PixelsToTwipsY(p.y()));
    e->accept();
}

void Grid::scrollContentsBy(int dx, int dy) {
    QTableWidget::scrollContentsBy(dx, dy);
    if (dy != 0 || dx != 0) emit Scroll();
}

int IndexOfItemData(const ComboBox* list, long value) {
    for (int i = 0; i < list->ListCount(); ++i)
        if (list->ItemData(i) == value) return i;
    return -1;
}

int IndexOfItemData(const ListBox* list, long value) {
    for (int i = 0; i < list->ListCount(); ++i)
        if (list->ItemData(i) == value) return i;
    return -1;
}

} // namespace platform::ui
