#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

class QTemporaryFile;
struct lxw_workbook;
struct lxw_worksheet;

namespace shell {

/// An Excel workbook (.xlsx) of one worksheet, written row by row below a frozen header row
/// (with an autofilter on it, and a title block above it when one is given),
/// and put in place all or nothing: it is written under a temporary name beside `path` and
/// renamed over it only at commit(); without a commit it leaves no trace. Rows go to disk as
/// they are written (libxlsxwriter's constant-memory mode), so a sheet of a million rows needs
/// the memory of one. Failures throw store::StoreError (ExportWriteFailed).
///
/// Texts are string cells, exactly as the database holds them: a string cell of a workbook is
/// never run as a formula, whatever it begins with, so the apostrophe that guards the CSV files
/// would only show as part of the text here.
class XlsxSheet {
public:
    /// The rows one worksheet holds, the header included.
    static constexpr qint64 MaxRows = 1'048'576;
    /// The deepest outline level a worksheet has; deeper rows stay at it.
    static constexpr int MaxOutlineLevel = 7;

    /// A title block's lines: a name and its value.
    using TitleBlock = QList<std::pair<QString, QString>>;

    XlsxSheet(const QString& path, const QString& sheetName, const QStringList& header,
              const TitleBlock& titleBlock = {});
    /// The rows `titleBlock` takes above the header (its lines and a blank one), so that the
    /// rows left for the bill are known before it is written.
    static qint64 titleRows(const TitleBlock& titleBlock) {
        return titleBlock.isEmpty() ? 0 : titleBlock.size() + 1;
    }
    ~XlsxSheet();
    XlsxSheet(const XlsxSheet&) = delete;
    XlsxSheet& operator=(const XlsxSheet&) = delete;

    /// Starts the next row; `outlineLevel` (0: none) groups it under the rows above it so that
    /// the spreadsheet can fold it.
    void startRow(int outlineLevel = 0);
    void text(int column, const QString& text);
    /// A numeric cell; nothing for no quantity. Infinity, which a REAL column can hold and a
    /// workbook cannot, is written as the text the CSV export gives it.
    void number(int column, std::optional<double> value);
    /// Ends the sheet written so far (its filter and column widths) and starts another one
    /// after it, named `sheetName`, with its own header and title block; the rows from here on
    /// go there.
    void nextSheet(const QString& sheetName, const QStringList& header,
                   const TitleBlock& titleBlock = {});
    /// Column widths that fit what was written (capped), then the file put in place.
    void commit();

private:
    void startSheet(const QString& sheetName, const QStringList& header, const TitleBlock& titleBlock);
    void endSheet();
    void check(int error) const;
    void measure(int column, qsizetype length);

    QString m_path;
    std::unique_ptr<QTemporaryFile> m_temporary;
    lxw_workbook* m_workbook = nullptr;
    lxw_worksheet* m_sheet = nullptr;
    quint32 m_headerRow = 0;
    quint32 m_row = 0;
    std::vector<qsizetype> m_widths;
};

} // namespace shell
