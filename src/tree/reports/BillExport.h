#pragma once

#include "tree/bill/BomTreeModel.h"
#include "tree/bill/Structure.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace tree {

/// One line of the indented bill: one node of the tree, in the tree's order.
struct IndentedLine {
    int level = 1;                          ///< 1 for the components of the loaded item
    QString itemId;                         ///< the node's text, exactly as BomComp holds it
    QString description;                    ///< the component's ItemDesc
    std::optional<double> quantity;         ///< the line's bomQtyReq; empty where Null
    QString unit;                           ///< the component's ItemUom
    std::optional<double> extendedQuantity; ///< per one loaded item along this path
    QString parent;                         ///< the assembly of the line, as the tree shows it
    bool circular = false;                  ///< the component already stands above this node
    Stop stop = Stop::None;                 ///< the load stopped here
    bool hasChildren = false;               ///< the tree shows components below this node
    LineProblems problems;                  ///< what is wrong with the line itself
};

/// One line of the summarised bill: one item, however many nodes stand for it.
struct SummaryLine {
    QString itemId;                      ///< the first spelling met in tree order
    QString description;                 ///< as the first node of the item shows it
    QString unit;                        ///< as the first node of the item shows it
    std::optional<double> totalQuantity; ///< empty when one of its nodes has none
    /// The item has components of its own (a sub-assembly), rather than being a bought part:
    /// one of its nodes shows components, is circular, or was left unexpanded by a limit.
    bool hasBill = false;
    QString note; ///< what its nodes' notes say, each fact once
};

/// The rows of the whole tree, every node open, one at a time in the tree's order (what the
/// view shows when all is expanded, with no node limit), walked over the structure with the
/// tree's rules: a component already on its own path is circular and not opened, and a node
/// `depthLimit` levels down is not opened. Holds only the path to the current row.
class IndentedWalk {
public:
    IndentedWalk(const Structure& structure, int depthLimit);
    /// The next row; false after the last.
    bool next(IndentedLine& line);

private:
    struct Level {
        int item;
        size_t next = 0;
        std::optional<double> extended; ///< of the item's own row; 1 for the loaded item
        QString text;                   ///< the item's ID as its row shows it
    };
    const Structure& m_structure;
    int m_depthLimit;
    std::vector<Level> m_path;
    std::vector<int> m_onPath; ///< per item: how often it stands on the path
};

/// All rows of IndentedWalk at once.
std::vector<IndentedLine> indentedBill(const Structure& structure, int depthLimit);

/// Each item of the indented bill once, with how many one loaded item needs in all, summed
/// over the rows given.
std::vector<SummaryLine> summarisedBill(const std::vector<IndentedLine>& indented);
/// The same over the structure, each line once, however many rows the indented bill has
/// (Structure::totals says what a cycle gives). The notes in English, as the files hold them,
/// or in the user's language for the print (`shown`).
std::vector<SummaryLine> summarisedBill(const Structure& structure, bool shown = false);

/// The summarised bill as it is exported: parents before their components. Ordered by each
/// item's low-level code over the lines of the loaded structure (lowLevelCodes), then in
/// summarisedBill's order; an item on or below a cycle has no code and keeps its place after
/// those that have one.
std::vector<SummaryLine> summarisedBillByLevel(const Structure& structure);

/// The header record of the indented bill's CSV.
void appendIndentedCsvHeader(QByteArray& out);
/// One line of the indented bill as a CSV record.
void appendIndentedCsvRecord(QByteArray& out, const IndentedLine& line);
/// The indented bill as CSV: a header row, then one record per line. The exported files are
/// UTF-8 without a byte order mark: the mark is not part of RFC 4180, and programs that read
/// CSV as plain text would take it for part of the first header name.
QByteArray indentedCsv(const std::vector<IndentedLine>& lines);
/// The summarised bill as CSV: a header row, then one record per item.
QByteArray summarisedCsv(const std::vector<SummaryLine>& lines);

/// Why a line stands out, the facts separated by "; ": circular or not expanded (why nothing
/// is below it), and what is wrong with the line. Empty for an ordinary line. In English, as
/// the files hold it, or in the user's language for the print (`shown`).
QString lineNote(const IndentedLine& line, bool shown = false);

/// A text cell as the exported files hold it. A text that starts with `=`, `+`, `-`, `@`, a
/// tab or a carriage return is one that spreadsheets run as a formula; it is written with a
/// leading apostrophe, which they take as "this is text". A text that starts with an apostrophe
/// gets one more, so that removing one leading apostrophe always gives the stored text back.
QString csvText(const QString& text);

/// Appends one RFC 4180 record, UTF-8 encoded and ended by CR LF, to `out`.
void appendCsvRecord(QByteArray& out, const QStringList& fields);

/// A quantity as the exported files hold it: the C locale's form with the fewest digits that
/// read back as exactly the same number; empty for no quantity.
QString csvQuantity(std::optional<double> quantity);

} // namespace tree
