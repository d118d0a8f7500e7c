// Grid: a table of text cells with a current cell, in the manner of the form kit's other
// controls (parent and code name, properties read back as set, twips geometry).
//
//   grdPlayers->SetRows(8); grdPlayers->SetCols(3);
//   grdPlayers->SetColWidth(0, 1500);           // twips; 0 hides the column
//   grdPlayers->SetRow(1); grdPlayers->SetCol(1);
//   grdPlayers->SetText("Desk speakers");       // the current cell
//   grdPlayers->SetCellBackColor(syscolour::ButtonFace);
//
// The first FixedRows rows are headings: drawn in the button face, never the current cell.
// A click makes the clicked cell the current one before MouseUp runs. CellLeft, CellTop,
// CellWidth and CellHeight give the current cell's place inside the grid in twips, so a
// control can be laid over it. Scroll runs when the rows scroll, SelChange when the current
// cell or the selection changes.
#pragma once

#include "platform/ui/Controls.h"

#include <QTableWidget>

namespace platform::ui {

class Grid : public QTableWidget {
    Q_OBJECT
public:
    Grid(QWidget* parent, const std::string& name);

    int Rows() const { return rowCount(); }
    void SetRows(int n);
    int Cols() const { return columnCount(); }
    void SetCols(int n);
    int FixedRows() const { return fixedRows_; }
    void SetFixedRows(int n);

    // Twips; a width of 0 hides the column.
    double ColWidth(int col) const;
    void SetColWidth(int col, double twips);
    double RowHeight(int row) const;
    void SetRowHeight(int row, double twips);

    // The current cell. Rows and columns outside the grid are ignored.
    int Row() const { return row_; }
    void SetRow(int row);
    int Col() const { return col_; }
    void SetCol(int col);
    // The far corner of the selection (the current cell is the other one).
    int RowSel() const { return rowSel_; }
    void SetRowSel(int row);
    int ColSel() const { return colSel_; }
    void SetColSel(int col);

    // "" outside the grid; a write outside the grid does nothing.
    std::string TextMatrix(int row, int col) const;
    void SetTextMatrix(int row, int col, const std::string& text);
    std::string Text() const { return TextMatrix(row_, col_); }
    void SetText(const std::string& text) { SetTextMatrix(row_, col_, text); }

    // The current cell's own colour; the grid's back colour when it has none.
    OleColour CellBackColor() const;
    void SetCellBackColor(OleColour c);

    // The current cell inside the grid, in twips.
    double CellLeft() const;
    double CellTop() const;
    double CellWidth() const;
    double CellHeight() const;

    // The first row shown below the headings.
    int TopRow() const;
    void SetTopRow(int row);

    // Off: changes are not painted until it is turned on again.
    bool Redraw() const { return redraw_; }
    void SetRedraw(bool on);

    // The cell under a point of the grid (twips); -1 outside the cells.
    int RowAt(double yTwips) const;
    int ColAt(double xTwips) const;

signals:
    // Button 1 left, 2 right, 4 middle; shift mask as Form.h; x and y in twips in the grid.
    void MouseUp(int button, int shift, double x, double y);
    void Scroll();
    void SelChange();

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    QTableWidgetItem* Cell(int row, int col, bool make);
    const QTableWidgetItem* Cell(int row, int col) const;
    QRect CellRect() const; // the current cell in the grid's own pixels
    void PaintFixed(int row);
    void Select();

    int fixedRows_ = 0;
    int row_ = 0, col_ = 0, rowSel_ = 0, colSel_ = 0;
    bool redraw_ = true;
};

// The select-all helper's look-up: the first entry whose item data equals value, -1 for none.
int IndexOfItemData(const ComboBox* list, long value);
int IndexOfItemData(const ListBox* list, long value);

} // namespace platform::ui
