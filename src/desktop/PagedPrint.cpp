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

/// The pages a print dialog's range asks for, within the document's.
std::pair<int, int> pageRange(int pages, int fromPage, int toPage) {
    const int first = fromPage > 0 ? std::min(fromPage, pages) : 1;
    const int last = toPage > 0 ? std::clamp(toPage, first, pages) : pages;
    return {first, last};
}

} // namespace

PrintOutcome writePdf(PagedDocument& document, const QString& path, const QPageLayout& layout,
                      int resolution, const QString& title, Progress* progress, int fromPage,
                      int toPage) {
    PrintOutcome outcome;
    outcome.file = path;
    // QSaveFile writes under a temporary name in the same folder and renames over `path` at
    // commit: an unfinished or refused file never takes the place of the one there. A device or
    // a pipe must never be replaced that way.
    if (const QFileInfo target(path); target.exists() && !target.isFile())
        return failure(outcome, QStringLiteral("not a plain file"));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return failure(outcome, file.errorString());
    CheckedOutput output(file);
    {
        QPdfWriter writer(&output);
        writer.setResolution(resolution);
        writer.setPageLayout(layout);
        writer.setTitle(title);
        writer.setCreator(QCoreApplication::applicationName());
        const auto [first, last] = pageRange(document.paginate(writer), fromPage, toPage);
        QPainter painter;
        if (!painter.begin(&writer))
            return failure(outcome, output.failed() ? output.cause()
                                                    : QStringLiteral("the PDF file could not be begun"));
        for (int page = first; page <= last; ++page) {
            if (page > first && !writer.newPage())
                return failure(outcome, output.failed() ? output.cause()
                                                        : QStringLiteral("no new page could be begun"));
            document.paintPage(painter, page);
            // A full disk stops the print at once rather than after every page is painted.
            if (output.failed())
                return failure(outcome, output.cause());
            ++outcome.pages;
            if (progress && !progress->advance(page - first + 1, last - first + 1)) {
                outcome.result = PrintResult::Cancelled;
                outcome.pages = 0;
                return outcome; // the temporary file goes with `file`
            }
        }
        if (!painter.end())
            return failure(outcome, output.failed() ? output.cause()
                                                    : QStringLiteral("the PDF file could not be ended"));
    }
    if (!output.finish())
        return failure(outcome, output.cause());
    if (!output.complete())
        return failure(outcome, QStringLiteral("the PDF file came out incomplete"));
    if (!file.commit())
        return failure(outcome, file.errorString());
    outcome.result = PrintResult::Printed;
    return outcome;
}

PrintOutcome printOn(PagedDocument& document, QPrinter& printer, const QString& title,
                     Progress* progress) {
    if (printer.outputFormat() == QPrinter::PdfFormat && !printer.outputFileName().isEmpty())
        return writePdf(document, printer.outputFileName(), printer.pageLayout(),
                        printer.resolution(), title, progress, printer.fromPage(), printer.toPage());

    // A printer says only that it failed, never why.
    PrintOutcome outcome;
    const QString refused = QStringLiteral("the printer %1 refused the job").arg(printer.printerName());
    const auto [first, last] = pageRange(document.paginate(printer), printer.fromPage(), printer.toPage());
    QPainter painter;
    if (!painter.begin(&printer))
        return failure(outcome, refused);
    for (int page = first; page <= last; ++page) {
        if ((page > first && !printer.newPage()) || printer.printerState() == QPrinter::Error)
            return failure(outcome, refused);
        document.paintPage(painter, page);
        ++outcome.pages;
        if (progress && !progress->advance(page - first + 1, last - first + 1)) {
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
