#pragma once

#include "desktop/Desktop.h"
#include "tree/reports/BillExport.h"

#include <QDate>
#include <QFont>
#include <QGlyphRun>
#include <QHash>
#include <QList>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

class QFontMetricsF;
class QPaintDevice;

namespace tree {

struct WhereUsedReport;

/// What a printed bill lists: the indented bill (every line in the tree's order), the
/// summarised bill (each item once, its quantities added up), or Where Used (the assemblies
/// that use an item).
enum class BillKind { Indented, Summarised, WhereUsed, Draft };

/// One printed row, its texts as they print; an empty text prints nothing.
struct PrintedRow {
    QString level;
    QString id;
    QString description;
    QString quantity;
    QString unit;
    QString extended; ///< the extended quantity; "yes" or "no" for Has Bill on a summary
    QString note;
    int depth = 0;       ///< indentation steps
    bool marked = false; ///< circular or stopped: shown in the tree's marking colour too
};

/// What stands above every printed page of a bill.
struct BillHeading {
    QString item;        ///< the loaded item
    QString description; ///< its description, as the window shows it
    QString database;    ///< the database's path or server address
    QDate date;          ///< the day it is printed
};

/// A bill as a document to print (the indented bill is described here; the summarised bill and
/// Where Used print the same way, under their own title and column titles): every page repeats the heading and the column
/// titles and says "Page n of N"; each line is one row of the columns Level, Item ID (indented
/// by level), Description, Quantity, UOM, Extended Quantity and, where a line stands out, Note.
/// Rows have one height, so the rows of a page and the page count follow from the font's
/// metrics alone and a page is painted without laying out the others. A row is never split
/// between pages, and an item ID is never cut: its column is as wide as the widest one allows,
/// and an ID wider still is set in a smaller type. Other texts too long for their column end
/// in "…". Quantities are in the user's number format, as the tree shows them.
class PrintedBill : public desktop::PagedDocument {
public:
    /// Gives the bill's lines in order, one per call; false after the last.
    using LineReader = std::function<bool(IndentedLine&)>;
    /// Makes a reader that starts at the bill's first line. The document reads the bill from
    /// its start as often as it needs (once to count, once to measure, once to paint, and again
    /// should a page before the last one painted be asked for), and never holds it whole: a
    /// bill of millions of rows prints in the memory of one page.
    using LineSource = std::function<LineReader()>;

    /// Gives printed rows in order, one per call; false after the last. Given no row, it passes
    /// one over without making its texts (pages before the one painted).
    using RowReader = std::function<bool(PrintedRow*)>;
    /// Makes a reader that starts at the first row, as LineSource does.
    using RowSource = std::function<RowReader()>;

    PrintedBill(LineSource source, BillHeading heading);
    PrintedBill(const std::vector<IndentedLine>& lines, BillHeading heading);
    /// A bill of `kind` from rows made ready to print.
    PrintedBill(BillKind kind, RowSource rows, BillHeading heading);

    int paginate(QPagedPaintDevice& device) override;
    void paintPage(QPainter& painter, int page) override;
    /// The item and its description ("LAMP-DESK-100 – Desk lamp"), with what the print is
    /// when it is not the indented bill.
    QString title() const override;

    /// Lines on a full page, for the device last paginated for.
    int rowsPerPage() const { return m_rowsPerPage; }
    int pageCount() const { return m_pages; }

private:
    using Row = PrintedRow;
    enum Column { Level, Id, Description, Quantity, Unit, Extended, Note, Columns };
    static Row rowOf(const IndentedLine& line);
    struct Place {
        qreal x = 0;
        qreal width = 0;
    };

    /// A text shaped once in one font: its width and the glyphs to paint.
    struct Shaped {
        qreal advance = 0;
        qreal ascent = 0;
        QList<QGlyphRun> runs;
    };
    static Shaped shape(const QString& text, const QFont& font, QPaintDevice* device);
    /// `text` in the body font, shaped on first use for this layout.
    const Shaped& shared(const QString& text, QPaintDevice* device) const;

    void paintHeading(QPainter& painter, int page) const;
    void paintRow(QPainter& painter, const Row& row, qreal top) const;
    /// Draws `text` within `width` from `x` on the baseline `y`, aligned right or left; a text
    /// too wide is set smaller down to half size (IDs, numbers) and beyond that, or for other
    /// texts at once, ends in "…". Returns the width it took.
    /// `shaped`, when given, is `text` shaped in the painter's font.
    qreal drawCell(QPainter& painter, const QString& text, qreal x, qreal width, qreal y,
                   bool right, bool shrink, const Shaped* shaped = nullptr) const;

    BillKind m_kind = BillKind::Indented;
    RowSource m_source;
    qint64 m_rowCount = 0;
    QString m_widestLevel;
    /// Where painting reads the bill: the reader and the index of the line it gives next.
    RowReader m_cursor;
    qint64 m_cursorAt = 0;
    BillHeading m_heading;
    QString m_dateText;
    bool m_hasNotes = false;
    mutable QHash<QString, Shaped> m_shared;

    // The layout for the device last paginated for, in its units.
    QFont m_body;
    QFont m_bold;
    QFont m_title;
    QFont m_small;
    qreal m_width = 0;
    qreal m_height = 0;
    qreal m_rowHeight = 0;
    qreal m_ascent = 0;
    qreal m_headingHeight = 0;
    qreal m_indent = 0;
    qreal m_gap = 0;
    Place m_columns[Columns];
    int m_rowsPerPage = 1;
    int m_pages = 1;
};

/// The summarised bill of `lines` to print: each item once, its total quantity, its unit and
/// whether it has a bill of its own.
std::unique_ptr<PrintedBill> summarisedDocument(std::vector<SummaryLine> lines, BillHeading heading);

/// Where Used of `report`'s item to print: each assembly that uses it with its level and the
/// quantity of the item in it; `heading` names the database and the date (its item and
/// description are the report's).
std::unique_ptr<PrintedBill> whereUsedDocument(const WhereUsedReport& report, BillHeading heading);
/// A draft's lines made ready to print (tree::draftRows), under the draft's name and reason.
std::unique_ptr<PrintedBill> draftDocument(std::vector<PrintedRow> rows, BillHeading heading);

} // namespace tree
