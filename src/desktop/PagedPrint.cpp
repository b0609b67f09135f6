#include "desktop/PagedPrint.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QIODevice>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QSaveFile>

#include <algorithm>

namespace desktop {

namespace {

/// The PDF writer's output, gathered and handed on to `file` in large parts. The writer takes
/// no notice of a write that fails, and a write that stops short (a full disk) sets no cause:
/// each part is written until all of it is out, so that the write that fails is the one that
/// names the cause, and the print stops there.
class CheckedOutput : public QIODevice {
public:
    explicit CheckedOutput(QFileDevice& file) : m_file(file) {
        QIODevice::open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    }

    bool failed() const { return !m_cause.isEmpty(); }
    const QString& cause() const { return m_cause; }
    /// Writes what is gathered; false (with the cause kept) when the file refused it.
    bool finish() { return drain(); }
    /// Whether everything written so far ends like a whole PDF file.
    bool complete() const { return m_written > 0 && m_tail.contains("%%EOF"); }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 length) override {
        if (failed())
            return -1;
        m_buffer.append(data, length);
        if (m_buffer.size() >= ChunkSize && !drain())
            return -1;
        return length;
    }

private:
    static constexpr qsizetype ChunkSize = 1 << 20;

    bool drain() {
        if (failed())
            return false;
        for (qsizetype done = 0; done < m_buffer.size();) {
            const qint64 written = m_file.write(m_buffer.constData() + done, m_buffer.size() - done);
            if (written <= 0) {
                m_cause = m_file.errorString();
                m_buffer.clear();
                return false;
            }
            done += written;
            m_written += written;
        }
        m_tail = (m_tail + m_buffer).right(32);
        m_buffer.clear();
        return true;
    }

    QFileDevice& m_file;
    QByteArray m_buffer;
    QByteArray m_tail;
    qint64 m_written = 0;
    QString m_cause;
};

PrintOutcome failure(PrintOutcome outcome, const QString& cause) {
    outcome.result = PrintResult::Failed;
    outcome.cause = cause;
    outcome.pages = 0;
    return outcome;
}

} // namespace

QList<int> pagesToPrint(int pageCount, const QPageRanges& ranges) {
    QList<int> pages;
    if (ranges.isEmpty()) {
        for (int page = 1; page <= pageCount; ++page)
            pages.append(page);
        return pages;
    }
    // A range typed past the last page prints what there is of it; the dialog's ranges come
    // sorted and merged, so each page is printed once and in order.
    for (const QPageRanges::Range& range : ranges.toRangeList())
        for (int page = std::max(range.from, 1); page <= std::min(range.to, pageCount); ++page)
            pages.append(page);
    return pages;
}

PrintOutcome writePdf(PagedDocument& document, const QString& path, const QPageLayout& layout,
                      int resolution, const QString& title, Progress* progress,
                      const QPageRanges& ranges) {
    PrintOutcome outcome;
    outcome.file = path;
    // QSaveFile writes under a temporary name in the same folder and renames over `path` at
    // commit: an unfinished or refused file never takes the place of the one there. A device or
    // a pipe must never be replaced that way.
    if (const QFileInfo target(path); target.exists() && !target.isFile())
        return failure(outcome, QCoreApplication::translate("desktop", "not a plain file"));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return failure(outcome, file.errorString());
    CheckedOutput output(file);
    {
        QPdfWriter writer(&output);
        writer.setResolution(resolution);
        writer.setPageLayout(layout);
        writer.setTitle(document.title().isEmpty() ? title : document.title());
        writer.setCreator(QCoreApplication::applicationName());
        const QList<int> pages = pagesToPrint(document.paginate(writer), ranges);
        if (pages.isEmpty())
            return failure(outcome, QCoreApplication::translate(
                                        "desktop", "the range names no page of the document"));
        QPainter painter;
        if (!painter.begin(&writer))
            return failure(outcome, output.failed()
                                        ? output.cause()
                                        : QCoreApplication::translate(
                                              "desktop", "the PDF file could not be begun"));
        for (const int page : pages) {
            if (outcome.pages > 0 && !writer.newPage())
                return failure(outcome, output.failed()
                                            ? output.cause()
                                            : QCoreApplication::translate(
                                                  "desktop", "no new page could be begun"));
            document.paintPage(painter, page);
            // A full disk stops the print at once rather than after every page is painted.
            if (output.failed())
                return failure(outcome, output.cause());
            ++outcome.pages;
            if (progress && !progress->advance(outcome.pages, pages.size())) {
                outcome.result = PrintResult::Cancelled;
                outcome.pages = 0;
                return outcome; // the temporary file goes with `file`
            }
        }
        if (!painter.end())
            return failure(outcome, output.failed()
                                        ? output.cause()
                                        : QCoreApplication::translate(
                                              "desktop", "the PDF file could not be ended"));
    }
    if (!output.finish())
        return failure(outcome, output.cause());
    if (!output.complete())
        return failure(outcome,
                       QCoreApplication::translate("desktop", "the PDF file came out incomplete"));
    if (!file.commit())
        return failure(outcome, file.errorString());
    outcome.result = PrintResult::Printed;
    return outcome;
}

PrintOutcome printOn(PagedDocument& document, QPrinter& printer, const QString& title,
                     Progress* progress) {
    if (printer.outputFormat() == QPrinter::PdfFormat && !printer.outputFileName().isEmpty())
        return writePdf(document, printer.outputFileName(), printer.pageLayout(),
                        printer.resolution(), title, progress, printer.pageRanges());

    // A printer says only that it failed, never why.
    PrintOutcome outcome;
    const QString refused = QCoreApplication::translate("desktop", "the printer %1 refused the job")
                                .arg(printer.printerName());
    if (!document.title().isEmpty())
        printer.setDocName(document.title());
    const QList<int> pages = pagesToPrint(document.paginate(printer), printer.pageRanges());
    if (pages.isEmpty())
        return failure(outcome, QCoreApplication::translate(
                                    "desktop", "the range names no page of the document"));
    QPainter painter;
    if (!painter.begin(&printer))
        return failure(outcome, refused);
    for (const int page : pages) {
        if ((outcome.pages > 0 && !printer.newPage()) || printer.printerState() == QPrinter::Error)
            return failure(outcome, refused);
        document.paintPage(painter, page);
        ++outcome.pages;
        if (progress && !progress->advance(outcome.pages, pages.size())) {
            printer.abort();
            outcome.result = PrintResult::Cancelled;
            outcome.pages = 0;
            return outcome;
        }
    }
    if (!painter.end() || printer.printerState() == QPrinter::Error)
        return failure(outcome, refused);
    outcome.result = PrintResult::Printed;
    return outcome;
}

} // namespace desktop
