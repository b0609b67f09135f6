#include "tree/reports/PrintedBill.h"

#include "tree/Texts.h"
#include "tree/edits/Quantity.h"
#include "tree/reports/WhereUsedReport.h"

#include <QCoreApplication>
#include <QFontMetricsF>
#include <QLocale>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QTextLayout>

#include <algorithm>
#include <cmath>
#include <memory>

namespace tree {

namespace {

QString tr(const char* text) {
    return QCoreApplication::translate("tree::PrintedBill", text);
}

/// A text as one printed line: line breaks and tabs become blanks.
QString oneLine(QString text) {
    for (QChar& c : text)
        if (c.unicode() < 0x20 || c == QChar::LineSeparator || c == QChar::ParagraphSeparator)
            c = u' ';
    return text;
}

QString quantityText(std::optional<double> quantity) {
    return quantity ? formatQuantity(*quantity) : QString();
}

/// Deeper levels are not indented further: the Level column says how deep a line is, and the
/// IDs keep their room.
constexpr int MaxIndent = 12;
/// The smallest size, as a share of the body's, that a text too wide is set in before it is
/// shortened.
constexpr qreal SmallestScale = 0.5;

const QColor RuleColour{0xb0, 0xb0, 0xb0};

} // namespace

PrintedBill::Shaped PrintedBill::shape(const QString& text, const QFont& font,
                                         QPaintDevice* device) {
    // One shaping gives both the width and the glyphs to paint; a text measured and then drawn
    // with QPainter::drawText is shaped twice, and shaping is most of a print's time.
    QTextLayout layout(text, font, device);
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    layout.setTextOption(option);
    layout.setCacheEnabled(true);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    if (line.isValid())
        line.setLineWidth(1e9);
    layout.endLayout();
    Shaped shaped;
    if (line.isValid()) {
        shaped.advance = line.naturalTextWidth();
        shaped.ascent = line.ascent();
        shaped.runs = layout.glyphRuns();
    }
    return shaped;
}

const PrintedBill::Shaped& PrintedBill::shared(const QString& text, QPaintDevice* device) const {
    auto found = m_shared.constFind(text);
    if (found == m_shared.cend()) {
        // Quantities, units and notes repeat; extended quantities of a long bill may not, and
        // the cache must not grow with the rows of a print that holds none of them.
        if (m_shared.size() >= 20'000)
            m_shared.clear();
        found = m_shared.insert(text, shape(text, m_body, device));
    }
    return *found;
}

PrintedBill::Row PrintedBill::rowOf(const IndentedLine& line) {
    Row row;
    row.level = QString::number(line.level);
    row.id = oneLine(line.itemId);
    row.description = oneLine(line.description);
    row.quantity = quantityText(line.quantity);
    row.unit = oneLine(line.unit);
    row.extended = quantityText(line.extendedQuantity);
    row.note = lineNote(line, true);
    row.depth = std::clamp(line.level - 1, 0, MaxIndent);
    row.marked = line.circular || line.stop != Stop::None;
    return row;
}

PrintedBill::PrintedBill(LineSource source, BillHeading heading)
    : m_heading(std::move(heading)),
      m_dateText(QLocale().toString(m_heading.date, QLocale::LongFormat)) {
    // The count and whether a Note column is needed, before any page is laid out, from the
    // lines alone: no row's texts are made for it.
    const LineReader read = source();
    int deepest = 0;
    for (IndentedLine line; read(line); ++m_rowCount) {
        deepest = std::max(deepest, line.level);
        m_hasNotes = m_hasNotes || !lineNote(line, true).isEmpty();
    }
    m_widestLevel = QString::number(deepest);
    m_source = [source = std::move(source)]() -> RowReader {
        return [read = source(), line = IndentedLine()](Row* row) mutable {
            if (!read(line))
                return false;
            if (row)
                *row = rowOf(line);
            return true;
        };
    };
}

PrintedBill::PrintedBill(BillKind kind, RowSource rows, BillHeading heading)
    : m_kind(kind), m_source(std::move(rows)), m_heading(std::move(heading)),
      m_dateText(QLocale().toString(m_heading.date, QLocale::LongFormat)) {
    const RowReader read = m_source();
    for (Row row; read(&row); ++m_rowCount) {
        if (row.level.size() > m_widestLevel.size())
            m_widestLevel = row.level;
        m_hasNotes = m_hasNotes || !row.note.isEmpty();
    }
}

namespace {

/// Each kind's title and column titles, in the order of the columns; an empty column title
/// leaves its column out.
struct KindTexts {
    const char* title;
    const char* columns[7];
};

// Translated as they are printed (tr), marked here for the catalogue.
const KindTexts& textsOf(BillKind kind) {
    static const KindTexts indented{QT_TRANSLATE_NOOP("tree::PrintedBill", "Bill of Material: %1"),
                                    {QT_TRANSLATE_NOOP("tree::PrintedBill", "Level"),
                                     QT_TRANSLATE_NOOP("tree::PrintedBill", "Item ID"),
                                     QT_TRANSLATE_NOOP("tree::PrintedBill", "Description"),
                                     QT_TRANSLATE_NOOP("tree::PrintedBill", "Quantity"),
                                     QT_TRANSLATE_NOOP("tree::PrintedBill", "UOM"),
                                     QT_TRANSLATE_NOOP("tree::PrintedBill", "Extended Quantity"),
                                     QT_TRANSLATE_NOOP("tree::PrintedBill", "Note")}};
    static const KindTexts summarised{QT_TRANSLATE_NOOP("tree::PrintedBill", "Summarised Bill: %1"),
                                      {"", QT_TRANSLATE_NOOP("tree::PrintedBill", "Item ID"),
                                       QT_TRANSLATE_NOOP("tree::PrintedBill", "Description"),
                                       QT_TRANSLATE_NOOP("tree::PrintedBill", "Total Quantity"),
                                       QT_TRANSLATE_NOOP("tree::PrintedBill", "UOM"),
                                       QT_TRANSLATE_NOOP("tree::PrintedBill", "Has Bill"),
                                       QT_TRANSLATE_NOOP("tree::PrintedBill", "Note")}};
    static const KindTexts whereUsed{QT_TRANSLATE_NOOP("tree::PrintedBill", "Where Used: %1"),
                                     {QT_TRANSLATE_NOOP("tree::PrintedBill", "Level"),
                                      QT_TRANSLATE_NOOP("tree::PrintedBill", "Assembly"),
                                      QT_TRANSLATE_NOOP("tree::PrintedBill", "Description"),
                                      QT_TRANSLATE_NOOP("tree::PrintedBill", "Quantity"),
                                      QT_TRANSLATE_NOOP("tree::PrintedBill", "UOM"), "",
                                      QT_TRANSLATE_NOOP("tree::PrintedBill", "Note")}};
    // A draft's line: what it does, the component and the assembly it is in, the quantity the
    // draft gives it, the one it had when it entered the draft (base) and the tables' now.
    static const KindTexts draft{QT_TRANSLATE_NOOP("tree::PrintedBill", "Draft: %1"),
                                 {QT_TRANSLATE_NOOP("tree::PrintedBill", "Change"),
                                  QT_TRANSLATE_NOOP("tree::PrintedBill", "Component"),
                                  QT_TRANSLATE_NOOP("tree::PrintedBill", "Assembly"),
                                  QT_TRANSLATE_NOOP("tree::PrintedBill", "Draft Quantity"),
                                  QT_TRANSLATE_NOOP("tree::PrintedBill", "Base Quantity"),
                                  QT_TRANSLATE_NOOP("tree::PrintedBill", "Live Quantity"),
                                  QT_TRANSLATE_NOOP("tree::PrintedBill", "Note")}};
    switch (kind) {
    case BillKind::Summarised:
        return summarised;
    case BillKind::WhereUsed:
        return whereUsed;
    case BillKind::Draft:
        return draft;
    case BillKind::Indented:
        break;
    }
    return indented;
}

/// Rows held whole, for the short lists (a summary, a Where Used list) made before printing.
PrintedBill::RowSource heldRows(std::vector<PrintedRow> rows) {
    return [all = std::make_shared<const std::vector<PrintedRow>>(std::move(rows))]() {
        return [all, next = size_t(0)](PrintedRow* row) mutable {
            if (next == all->size())
                return false;
            if (row)
                *row = (*all)[next];
            ++next;
            return true;
        };
    };
}

} // namespace

QString PrintedBill::title() const {
    QString title = oneLine(m_heading.item);
    if (!m_heading.description.isEmpty())
        title += QStringLiteral(" \u2013 ") + oneLine(m_heading.description);
    switch (m_kind) {
    case BillKind::Summarised:
        return tr("Summarised Bill: %1").arg(title);
    case BillKind::WhereUsed:
        return tr("Where Used: %1").arg(title);
    case BillKind::Draft:
        return tr("Draft: %1").arg(title);
    case BillKind::Indented:
        break;
    }
    return title;
}

std::unique_ptr<PrintedBill> summarisedDocument(std::vector<SummaryLine> lines, BillHeading heading) {
    std::vector<PrintedRow> rows;
    rows.reserve(lines.size());
    for (const SummaryLine& line : lines) {
        PrintedRow row;
        row.id = oneLine(line.itemId);
        row.description = oneLine(line.description);
        row.quantity = quantityText(line.totalQuantity);
        row.unit = oneLine(line.unit);
        row.extended = line.hasBill ? tr("yes") : tr("no");
        row.note = line.note;
        rows.push_back(std::move(row));
    }
    return std::make_unique<PrintedBill>(BillKind::Summarised, heldRows(std::move(rows)),
                                          std::move(heading));
}

std::unique_ptr<PrintedBill> whereUsedDocument(const WhereUsedReport& report, BillHeading heading) {
    heading.item = report.item;
    heading.description = report.description;
    std::vector<PrintedRow> rows;
    rows.reserve(report.rows.size());
    for (const store::WhereUsedRow& used : report.rows) {
        PrintedRow row;
        row.level = QString::number(used.level);
        row.id = oneLine(used.assembly);
        row.description =
            used.inItemMaster ? oneLine(used.description.value_or(noDescription())) : QString();
        row.quantity = quantityText(used.quantity);
        // The quantities count in the item's own unit.
        row.unit = oneLine(report.unit);
        QStringList notes;
        if (used.circular)
            notes.append(tr("circular"));
        if (!used.inItemMaster)
            notes.append(tr("not in Item Master"));
        row.note = notes.join(QStringLiteral(", "));
        row.marked = used.circular;
        rows.push_back(std::move(row));
    }
    return std::make_unique<PrintedBill>(BillKind::WhereUsed, heldRows(std::move(rows)),
                                          std::move(heading));
}

std::unique_ptr<PrintedBill> draftDocument(std::vector<PrintedRow> rows, BillHeading heading) {
    for (PrintedRow& row : rows) {
        row.id = oneLine(row.id);
        row.description = oneLine(row.description);
    }
    return std::make_unique<PrintedBill>(BillKind::Draft, heldRows(std::move(rows)),
                                          std::move(heading));
}

PrintedBill::PrintedBill(const std::vector<IndentedLine>& lines, BillHeading heading)
    : PrintedBill(
          [all = std::make_shared<const std::vector<IndentedLine>>(lines)]() -> LineReader {
              return [all, next = size_t(0)](IndentedLine& line) mutable {
                  if (next == all->size())
                      return false;
                  line = (*all)[next++];
                  return true;
              };
          },
          std::move(heading)) {}

int PrintedBill::paginate(QPagedPaintDevice& device) {
    const QRectF page = device.pageLayout().paintRectPixels(device.logicalDpiY());
    m_width = page.width();
    m_height = page.height();

    QFont base;
    base.setPointSizeF(9);
    m_body = QFont(base, &device);
    m_bold = m_body;
    m_bold.setBold(true);
    QFont title = base;
    title.setPointSizeF(13);
    title.setBold(true);
    m_title = QFont(title, &device);
    QFont small = base;
    small.setPointSizeF(8);
    m_small = QFont(small, &device);
    const QFontMetricsF body(m_body, &device);
    const QFontMetricsF bold(m_bold, &device);
    const QFontMetricsF titleMetrics(m_title, &device);
    const QFontMetricsF smallMetrics(m_small, &device);

    m_rowHeight = std::ceil(body.height() * 1.3);
    m_ascent = body.ascent() + (m_rowHeight - body.height()) / 2;
    m_gap = body.averageCharWidth() * 1.5;
    m_indent = body.averageCharWidth() * 2;
    // Title, description, database and date, a space, then the column titles.
    m_headingHeight = titleMetrics.height() * 1.3 + body.height() * 1.3 +
                      smallMetrics.height() * 1.3 + body.height() * 0.5 + m_rowHeight;
    const qreal footerHeight = smallMetrics.height() * 1.8;

    // Each column as wide as its widest text, within a share of the page.
    const KindTexts& texts = textsOf(m_kind);
    const auto titleWidth = [&](Column column) {
        return *texts.columns[column] ? bold.horizontalAdvance(tr(texts.columns[column])) : 0;
    };
    qreal widths[Columns] = {titleWidth(Level), titleWidth(Id), 0, titleWidth(Quantity),
                             titleWidth(Unit),  titleWidth(Extended),
                             m_hasNotes ? titleWidth(Note) : 0};
    m_shared.clear(); // shaped for another device
    m_cursor = nullptr;
    const RowReader read = m_source();
    for (Row row; read(&row);) {
        widths[Id] = std::max(widths[Id], row.depth * m_indent + body.horizontalAdvance(row.id));
        if (!row.quantity.isEmpty())
            widths[Quantity] = std::max(widths[Quantity], shared(row.quantity, &device).advance);
        if (!row.extended.isEmpty())
            widths[Extended] = std::max(widths[Extended], shared(row.extended, &device).advance);
        if (!row.unit.isEmpty())
            widths[Unit] = std::max(widths[Unit], shared(row.unit, &device).advance);
        if (!row.note.isEmpty())
            widths[Note] = std::max(widths[Note], shared(row.note, &device).advance);
    }
    if (m_rowCount > 0 && widths[Level] > 0)
        widths[Level] = std::max(widths[Level], body.horizontalAdvance(m_widestLevel) * 1.5);
    // A column without a title is left out, whatever its rows hold.
    for (int c : {Level, Extended})
        if (!*texts.columns[c])
            widths[c] = 0;
    // A draft's print has a quantity in the unit's column too.
    const qreal caps[Columns] = {0.08, 1, 1, 0.14, m_kind == BillKind::Draft ? 0.14 : 0.10, 0.14,
                                 0.22};
    qreal fixed = 0;
    for (int c : {Level, Quantity, Unit, Extended, Note}) {
        widths[c] = std::min(widths[c], caps[c] * m_width);
        fixed += widths[c] + (widths[c] > 0 ? m_gap : 0);
    }
    // The IDs take what they need up to half of what is left, the description the rest; an
    // ID wider than that is set smaller.
    const qreal forText = std::max(m_width - fixed - m_gap, m_width * 0.3);
    widths[Id] = std::min(widths[Id], forText * 0.5);
    widths[Description] = forText - widths[Id];

    qreal x = 0;
    for (int c : {Level, Id, Description, Quantity, Unit, Extended, Note}) {
        m_columns[c] = {x, widths[c]};
        if (widths[c] > 0)
            x += widths[c] + m_gap;
    }

    m_rowsPerPage = std::max(1, int((m_height - m_headingHeight - footerHeight) / m_rowHeight));
    m_pages = int(std::max<qint64>(1, (m_rowCount + m_rowsPerPage - 1) / m_rowsPerPage));
    return m_pages;
}

qreal PrintedBill::drawCell(QPainter& painter, const QString& text, qreal x, qreal width,
                             qreal y, bool right, bool shrink, const Shaped* shaped) const {
    if (text.isEmpty() || width <= 0)
        return 0;
    const QFont font = painter.font();
    Shaped own;
    if (!shaped) {
        own = shape(text, font, painter.device());
        shaped = &own;
    }
    const qreal advance = shaped->advance;
    if (advance <= width) {
        const QPointF origin(right ? x + width - advance : x, y - shaped->ascent);
        for (const QGlyphRun& run : shaped->runs)
            painter.drawGlyphRun(origin, run);
        return advance;
    }
    const qreal scale = width / advance;
    if (shrink && scale >= SmallestScale) {
        QFont smaller = font;
        smaller.setPointSizeF(font.pointSizeF() * scale * 0.98);
        painter.setFont(smaller);
        painter.drawText(QPointF(x, y), text);
        painter.setFont(font);
        return width;
    }
    const QFontMetricsF metrics(font, painter.device());
    painter.drawText(QPointF(x, y),
                     metrics.elidedText(text, shrink ? Qt::ElideMiddle : Qt::ElideRight, width));
    return width;
}

void PrintedBill::paintHeading(QPainter& painter, int page) const {
    const QFontMetricsF titleMetrics(m_title, painter.device());
    const QFontMetricsF body(m_body, painter.device());
    const QFontMetricsF small(m_small, painter.device());
    qreal y = titleMetrics.ascent();
    painter.setPen(Qt::black);
    painter.setFont(m_title);
    const KindTexts& texts = textsOf(m_kind);
    drawCell(painter, tr(texts.title).arg(oneLine(m_heading.item)), 0, m_width, y, false, true);
    y += titleMetrics.height() * 0.3 + body.height() * 0.3 + body.ascent();
    painter.setFont(m_body);
    drawCell(painter, oneLine(m_heading.description), 0, m_width, y, false, false);
    y += body.descent() + small.height() * 0.3 + small.ascent();
    painter.setFont(m_small);
    const QString date = tr("Date: %1").arg(m_dateText);
    const qreal dateWidth = small.horizontalAdvance(date);
    drawCell(painter, date, m_width - dateWidth, dateWidth, y, true, false);
    const QString database = tr("Database: %1").arg(oneLine(m_heading.database));
    const qreal room = m_width - dateWidth - m_gap * 2;
    painter.drawText(QPointF(0, y), small.horizontalAdvance(database) <= room
                                        ? database
                                        : small.elidedText(database, Qt::ElideMiddle, room));

    // The column titles, ruled off from the rows.
    const qreal top = m_headingHeight - m_rowHeight;
    painter.setFont(m_bold);
    for (int column = Level; column < Columns; ++column)
        if (*texts.columns[column])
            drawCell(painter, tr(texts.columns[column]), m_columns[column].x,
                     m_columns[column].width, top + m_ascent,
                     column == Quantity || (column == Extended && m_kind == BillKind::Indented) ||
                         (column != Note && column > Description && m_kind == BillKind::Draft),
                     true);
    painter.setPen(QPen(Qt::black, 0));
    painter.drawLine(QPointF(0, m_headingHeight), QPointF(m_width, m_headingHeight));

    painter.setFont(m_small);
    const QString number = tr("Page %1 of %2").arg(page).arg(m_pages);
    const qreal numberWidth = small.horizontalAdvance(number);
    const qreal footer = m_height - small.descent();
    painter.drawText(QPointF(m_width - numberWidth, footer), number);
    drawCell(painter, oneLine(m_heading.item), 0, m_width - numberWidth - m_gap * 2, footer, false,
             false);
}

void PrintedBill::paintRow(QPainter& painter, const Row& row, qreal top) const {
    QPaintDevice* device = painter.device();
    const qreal y = top + m_ascent;
    painter.setPen(row.marked ? MarkedColour : QColor(Qt::black));
    // Levels, quantities, units and notes repeat from row to row: each is shaped once.
    const auto cell = [&](Column column, const QString& text, bool right) {
        if (!text.isEmpty())
            drawCell(painter, text, m_columns[column].x, m_columns[column].width, y, right, true,
                     &shared(text, device));
    };
    cell(Level, row.level, true);
    const qreal indent = row.depth * m_indent;
    const qreal room = m_columns[Id].width - indent;
    const Shaped id = shape(row.id, m_body, device);
    if (id.advance * SmallestScale <= room) {
        drawCell(painter, row.id, m_columns[Id].x + indent, room, y, false, true, &id);
        drawCell(painter, row.description, m_columns[Description].x,
                 m_columns[Description].width, y, false, false);
    } else {
        // An ID too long for its column even in the smaller type takes up to half of the
        // description's room too, rather than being cut; the description gets what is left.
        const qreal span = m_columns[Description].x + m_columns[Description].width - m_columns[Id].x;
        const qreal used = drawCell(painter, row.id, m_columns[Id].x,
                                    span - m_columns[Description].width / 2, y, false, true, &id);
        const qreal rest = span - used - m_gap;
        drawCell(painter, row.description, m_columns[Id].x + used + m_gap, rest, y, false, false);
    }
    cell(Quantity, row.quantity, true);
    if (!row.unit.isEmpty())
        drawCell(painter, row.unit, m_columns[Unit].x, m_columns[Unit].width, y,
                 m_kind == BillKind::Draft, false, &shared(row.unit, device));
    cell(Extended, row.extended, m_kind == BillKind::Indented || m_kind == BillKind::Draft);
    if (!row.note.isEmpty())
        drawCell(painter, row.note, m_columns[Note].x, m_columns[Note].width, y, false, false,
                 &shared(row.note, device));
    painter.setPen(QPen(RuleColour, 0));
    painter.drawLine(QPointF(0, top + m_rowHeight), QPointF(m_width, top + m_rowHeight));
}

void PrintedBill::paintPage(QPainter& painter, int page) {
    painter.save();
    paintHeading(painter, page);
    painter.setFont(m_body);
    const qint64 first = qint64(page - 1) * m_rowsPerPage;
    const qint64 last = std::min(m_rowCount, first + m_rowsPerPage);
    // Pages are mostly painted in order, each where the last one ended; a page before that
    // (a preview scrolled back) reads the bill again from its start.
    if (!m_cursor || first < m_cursorAt) {
        m_cursor = m_source();
        m_cursorAt = 0;
    }
    for (; m_cursorAt < first && m_cursor(nullptr); ++m_cursorAt) {
    }
    Row row;
    qreal top = m_headingHeight;
    for (; m_cursorAt < last && m_cursor(&row); ++m_cursorAt, top += m_rowHeight)
        paintRow(painter, row, top);
    painter.restore();
}

} // namespace tree
