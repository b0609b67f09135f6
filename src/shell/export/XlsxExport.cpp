#include "shell/export/XlsxExport.h"

#include "store/StoreError.h"
#include "tree/reports/BillExport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryFile>

#include <xlsxwriter.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <utility>

namespace shell {

namespace {

/// The widest a column grows to fit its texts, in characters; longer texts wrap out of view
/// rather than push every other column off the screen.
constexpr qsizetype MaxColumnWidth = 60;

store::StoreError writeFailed(const QString& path, const QString& cause) {
    return store::StoreError(
        store::ExportWriteFailed,
        QCoreApplication::translate("shell", "The file could not be written: %1 (%2)")
            .arg(QDir::toNativeSeparators(path), cause));
}

/// The text as a cell must hold it to read back as it stands: a spreadsheet takes "_xHHHH_"
/// in a cell for an escaped character ("US_x0041_" would read "USA"), so such a sequence
/// that the text holds itself gets its underscore escaped ("_x005F_" reads as "_").
QByteArray cellText(const QString& text) {
    // Every underscore that opens such a sequence, overlapping ones too ("_x0041_x0042_").
    static const QRegularExpression escape(QStringLiteral("_(?=x[0-9A-Fa-f]{4}_)"));
    if (!text.contains(QLatin1StringView("_x")))
        return text.toUtf8();
    QString literal = text;
    literal.replace(escape, QStringLiteral("_x005F_"));
    return literal.toUtf8();
}

} // namespace

XlsxSheet::XlsxSheet(const QString& path, const QString& sheetName, const QStringList& header,
                     const TitleBlock& titleBlock)
    : m_path(path) {
    // A link is followed, as the CSV files' writer does: the file it names is replaced, and
    // the link stays.
    if (const QFileInfo link(path); link.isSymLink())
        m_path = link.symLinkTarget();
    // Put in place by renaming, which must never happen to a device or a pipe.
    const QFileInfo target(m_path);
    if (target.exists() && !target.isFile())
        throw writeFailed(m_path, QCoreApplication::translate("shell", "not a plain file"));
    // The temporary name is held open until the workbook is written under it, so that no
    // other file can take it; it goes with this object unless commit() renamed it.
    m_temporary = std::make_unique<QTemporaryFile>(
        target.absoluteDir().filePath(QStringLiteral(".%1.XXXXXX").arg(target.fileName())));
    if (!m_temporary->open())
        throw writeFailed(m_path, m_temporary->errorString());
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    options.use_zip64 = LXW_TRUE; // a million rows' sheet may pass what plain zip holds
    m_workbook = workbook_new_opt(QFile::encodeName(m_temporary->fileName()).constData(), &options);
    if (!m_workbook)
        throw writeFailed(m_path,
                          QCoreApplication::translate("shell", "the workbook could not be made"));
    startSheet(sheetName, header, titleBlock);
}

void XlsxSheet::startSheet(const QString& sheetName, const QStringList& header,
                           const TitleBlock& titleBlock) {
    m_headerRow = quint32(titleRows(titleBlock));
    m_row = m_headerRow;
    m_widths.assign(size_t(header.size()), 0);
    m_sheet = workbook_add_worksheet(m_workbook, sheetName.toUtf8().constData());
    if (!m_sheet)
        throw writeFailed(m_path,
                          QCoreApplication::translate("shell", "the worksheet could not be made"));
    // The rows of an assembly follow it, so its fold button belongs on its own row, above them.
    worksheet_outline_settings(m_sheet, LXW_TRUE, LXW_FALSE, LXW_TRUE, LXW_FALSE);
    worksheet_freeze_panes(m_sheet, lxw_row_t(m_headerRow + 1), 0);
    lxw_format* bold = workbook_add_format(m_workbook);
    format_set_bold(bold);
    // The title block's values are texts, never measured for the columns' widths: a long
    // database path would widen the Level column of every row below it.
    for (quint32 row = 0; row < quint32(titleBlock.size()); ++row) {
        const auto& [name, value] = titleBlock[row];
        check(worksheet_write_string(m_sheet, row, 0, cellText(name).constData(), bold));
        if (!value.isEmpty())
            check(worksheet_write_string(m_sheet, row, 1, cellText(value).constData(), nullptr));
    }
    for (qsizetype column = 0; column < header.size(); ++column) {
        check(worksheet_write_string(m_sheet, m_headerRow, lxw_col_t(column),
                                     cellText(header[column]).constData(), bold));
        measure(int(column), header[column].size());
    }
}

XlsxSheet::~XlsxSheet() {
    // Not committed: nothing is written, and the temporary file goes with m_temporary.
    if (m_workbook)
        lxw_workbook_free(m_workbook);
}

void XlsxSheet::check(int error) const {
    if (error != LXW_NO_ERROR)
        throw writeFailed(m_path, QString::fromUtf8(lxw_strerror(lxw_error(error))));
}

void XlsxSheet::measure(int column, qsizetype length) {
    qsizetype& width = m_widths[size_t(column)];
    width = std::max(width, std::min(length, MaxColumnWidth));
}

void XlsxSheet::startRow(int outlineLevel) {
    ++m_row; // past the sheet's last row, the library refuses the row's cells
    if (outlineLevel > 0) {
        lxw_row_col_options options{};
        options.level = uint8_t(std::min(outlineLevel, MaxOutlineLevel));
        check(worksheet_set_row_opt(m_sheet, m_row, LXW_DEF_ROW_HEIGHT, nullptr, &options));
    }
}

void XlsxSheet::text(int column, const QString& text) {
    if (text.isEmpty())
        return;
    check(worksheet_write_string(m_sheet, m_row, lxw_col_t(column), cellText(text).constData(),
                                 nullptr));
    measure(column, text.size());
}

void XlsxSheet::number(int column, std::optional<double> value) {
    if (!value)
        return;
    if (!std::isfinite(*value)) {
        text(column, tree::csvQuantity(value));
        return;
    }
    check(worksheet_write_number(m_sheet, m_row, lxw_col_t(column), *value, nullptr));
    measure(column, tree::csvQuantity(value).size());
}

void XlsxSheet::endSheet() {
    // Filter buttons on the header, over every row written below it.
    check(worksheet_autofilter(m_sheet, m_headerRow, 0, m_row,
                               lxw_col_t(std::max<size_t>(m_widths.size(), 1) - 1)));
    for (size_t column = 0; column < m_widths.size(); ++column)
        check(worksheet_set_column(m_sheet, lxw_col_t(column), lxw_col_t(column),
                                   double(m_widths[column] + 2), nullptr));
}

void XlsxSheet::nextSheet(const QString& sheetName, const QStringList& header,
                          const TitleBlock& titleBlock) {
    endSheet();
    startSheet(sheetName, header, titleBlock);
}

void XlsxSheet::commit() {
    endSheet();
    // The workbook is written whole (and its memory freed) by the close, whatever it returns.
    lxw_workbook* workbook = std::exchange(m_workbook, nullptr);
    check(workbook_close(workbook));
    const QString written = m_temporary->fileName();
    // The file keeps the permissions of the one it replaces; a new one those of a new file.
    const QFileInfo target(m_path);
    QFile::setPermissions(written, target.exists() ? QFile::permissions(m_path)
                                                   : QFile::ReadOwner | QFile::WriteOwner |
                                                         QFile::ReadGroup | QFile::ReadOther);
    if (std::rename(QFile::encodeName(written).constData(), QFile::encodeName(m_path).constData()) != 0)
        throw writeFailed(m_path, QString::fromLocal8Bit(std::strerror(errno)));
    m_temporary->setAutoRemove(false);
}

} // namespace shell
