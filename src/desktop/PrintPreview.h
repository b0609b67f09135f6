#pragma once

#include "desktop/Desktop.h"

#include <QDialog>

#include <functional>

class QAction;
class QLabel;
class QPrinter;
class QScrollArea;
class QSpinBox;

namespace desktop {

class PreviewPage;

/// The print preview: a document's pages as they print on `printer`, one at a time, each
/// painted only when it is shown. The document is laid out once when the preview opens (which
/// gives the page count), so that the first page of a bill of thousands of pages shows at once
/// and every page the preview offers is a page the print has.
///
/// First, previous, next and last page (Home, Page Up, Page Down, End), the page number
/// field, Fit Page, Fit Width, Zoom In and Out; Print… prints every page through `print`,
/// which returns false when nothing was printed (the preview then stays), and Close or Esc
/// closes it.
class PrintPreviewDialog : public QDialog {
    Q_OBJECT
public:
    PrintPreviewDialog(PagedDocument& document, QPrinter& printer, std::function<bool()> print,
                       QWidget* parent = nullptr);
    ~PrintPreviewDialog() override;

    int pageCount() const { return m_pages; }
    /// The page shown, from 1.
    int currentPage() const;
    /// Shows page `page`, within the document's.
    void showPage(int page);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class Zoom { FitPage, FitWidth, Fixed };

    void layOut();
    void printAll();
    void setZoom(Zoom zoom, qreal scale = 0);
    void applyZoom();
    void updateActions();

    PagedDocument& m_document;
    QPrinter& m_printer;
    std::function<bool()> m_print;
    int m_pages = 1;
    Zoom m_zoom = Zoom::FitPage;
    qreal m_scale = 1; ///< shown pixels per printed pixel, when the zoom is fixed

    QScrollArea* m_area = nullptr;
    PreviewPage* m_page = nullptr;
    QSpinBox* m_number = nullptr;
    QLabel* m_count = nullptr;
    QAction* m_first = nullptr;
    QAction* m_previous = nullptr;
    QAction* m_next = nullptr;
    QAction* m_last = nullptr;
    QAction* m_fitPage = nullptr;
    QAction* m_fitWidth = nullptr;
};

} // namespace desktop
