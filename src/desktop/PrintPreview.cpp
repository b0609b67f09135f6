#include "desktop/PrintPreview.h"

#include "desktop/PrintChoices.h"

#include <QAction>
#include <QComboBox>
#include <QEvent>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QLocale>
#include <QPainter>
#include <QPrinter>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace desktop {

/// One page of the document, painted when it is shown, at the size the view gives it.
class PreviewPage : public QWidget {
public:
    PreviewPage(PagedDocument& document, QPrinter& printer, QWidget* parent)
        : QWidget(parent), m_document(document), m_printer(printer) {
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

    int page() const { return m_page; }
    void setPage(int page) {
        if (page == m_page)
            return;
        m_page = page;
        forget();
    }
    /// The document was laid out anew: what was painted may no longer be the page.
    void forget() {
        m_image = QImage();
        update();
    }
    /// The printed page, margins included, in the printer's pixels.
    QSizeF printedSize() const {
        return m_printer.pageLayout().fullRectPixels(m_printer.logicalDpiY()).size();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        const qreal ratio = devicePixelRatioF();
        const QSize pixels = (QSizeF(size()) * ratio).toSize();
        if (m_image.size() != pixels)
            m_image = render(pixels, ratio);
        QPainter painter(this);
        painter.drawImage(0, 0, m_image);
    }

private:
    QImage render(const QSize& pixels, qreal ratio) const {
        QImage image(pixels, QImage::Format_RGB32);
        image.fill(Qt::white);
        if (pixels.isEmpty())
            return image;
        image.setDevicePixelRatio(ratio);
        // The document measured its rows and set its type for the printer's resolution. The
        // image claims that resolution, so that each text has the size and shape it prints
        // with, and the painter scales the whole page down to the image.
        const int dpi = m_printer.logicalDpiY();
        image.setDotsPerMeterX(qRound(m_printer.logicalDpiX() / 0.0254));
        image.setDotsPerMeterY(qRound(dpi / 0.0254));
        const QPageLayout layout = m_printer.pageLayout();
        const QRectF full = layout.fullRectPixels(dpi);
        const QRectF paint = layout.paintRectPixels(dpi);
        QPainter painter(&image);
        painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing |
                               QPainter::SmoothPixmapTransform);
        painter.scale(width() / full.width(), height() / full.height());
        // A printer's painter starts at the margins.
        painter.translate(paint.topLeft());
        painter.setClipRect(QRectF(QPointF(), paint.size()));
        m_document.paintPage(painter, m_page);
        return image;
    }

    PagedDocument& m_document;
    QPrinter& m_printer;
    int m_page = 1;
    QImage m_image;
};

namespace {

/// Room around the page, in the view's pixels.
constexpr int Margin = 12;
constexpr qreal ZoomStep = 1.25;

/// A command of the preview: a button in its row of commands, and its key anywhere in the
/// window.
QAction* command(QWidget* window, QBoxLayout* row, const char* text, const QKeySequence& key,
                 const QString& tip) {
    auto* action = new QAction(PrintPreviewDialog::tr(text), window);
    // Named by its English caption, the same in every language.
    action->setObjectName(QString::fromUtf8(text));
    if (!key.isEmpty()) {
        action->setShortcut(key);
        action->setToolTip(QStringLiteral("%1 (%2)").arg(tip, key.toString(QKeySequence::NativeText)));
    } else {
        action->setToolTip(tip);
    }
    window->addAction(action);
    auto* button = new QToolButton(window);
    button->setDefaultAction(action);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::TabFocus);
    row->addWidget(button);
    return action;
}

} // namespace

PrintPreviewDialog::PrintPreviewDialog(PagedDocument& document, QPrinter& printer,
                                       std::function<bool()> print, QWidget* parent)
    : QDialog(parent), m_document(document), m_printer(printer), m_print(std::move(print)) {
    setObjectName(QStringLiteral("printPreview"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    // A row of buttons rather than a tool bar, which would hide the commands that do not fit
    // behind a button of its own: the window is never narrower than its commands.
    auto* row = new QHBoxLayout;
    row->setContentsMargins(4, 2, 4, 2);
    m_first = command(this, row, QT_TR_NOOP("First Page"), Qt::Key_Home, tr("The first page"));
    m_previous =
        command(this, row, QT_TR_NOOP("Previous Page"), Qt::Key_PageUp, tr("The page before"));
    m_number = new QSpinBox(this);
    m_number->setObjectName(QStringLiteral("pageNumber"));
    m_number->setAccessibleName(tr("Page"));
    // The page changes once the number is typed (Enter) or the arrows are used, not at each
    // digit on the way to it.
    m_number->setKeyboardTracking(false);
    row->addWidget(m_number);
    m_count = new QLabel(this);
    m_count->setObjectName(QStringLiteral("pageCount"));
    m_count->setContentsMargins(4, 0, 4, 0);
    row->addWidget(m_count);
    m_next = command(this, row, QT_TR_NOOP("Next Page"), Qt::Key_PageDown, tr("The page after"));
    m_last = command(this, row, QT_TR_NOOP("Last Page"), Qt::Key_End, tr("The last page"));
    row->addSpacing(12);
    // The document shown, where there is a choice: what the preview shows is what its Print…
    // prints.
    if (auto* choices = dynamic_cast<PrintChoices*>(&m_document)) {
        auto* label = new QLabel(tr("S&how:"), this);
        auto* what = new QComboBox(this);
        what->setObjectName(QStringLiteral("printWhat"));
        label->setBuddy(what);
        for (QString name : choices->names())
            what->addItem(name.remove(u'&'));
        what->setCurrentIndex(choices->chosen());
        connect(what, &QComboBox::activated, this, [this, choices, what](int index) {
            // A list that could not be read leaves the preview on the one it showed.
            if (!choices->choose(index)) {
                what->setCurrentIndex(choices->chosen());
                return;
            }
            layOut();
            showPage(1);
        });
        row->addWidget(label);
        row->addWidget(what);
        row->addSpacing(12);
    }
    m_fitPage = command(this, row, QT_TR_NOOP("Fit Page"), {}, tr("The whole page in the window"));
    m_fitWidth =
        command(this, row, QT_TR_NOOP("Fit Width"), {}, tr("The page as wide as the window"));
    m_fitPage->setCheckable(true);
    m_fitWidth->setCheckable(true);
    QAction* zoomIn = command(this, row, QT_TR_NOOP("Zoom In"), QKeySequence::ZoomIn, tr("Larger"));
    QAction* zoomOut =
        command(this, row, QT_TR_NOOP("Zoom Out"), QKeySequence::ZoomOut, tr("Smaller"));
    row->addStretch(1);
    QAction* printAction =
        command(this, row, QT_TR_NOOP("Print…"), QKeySequence::Print, tr("Print every page"));
    QAction* close = command(this, row, QT_TR_NOOP("Close"), {}, tr("Close the preview (Esc)"));
    layout->addLayout(row);

    m_area = new QScrollArea(this);
    m_area->setBackgroundRole(QPalette::Dark);
    m_area->setAlignment(Qt::AlignCenter);
    m_area->setFocusPolicy(Qt::StrongFocus);
    m_page = new PreviewPage(m_document, m_printer, m_area);
    m_page->setObjectName(QStringLiteral("previewPage"));
    m_area->setWidget(m_page);
    // A scroll bar that comes or goes changes the room a fitted page has.
    m_area->viewport()->installEventFilter(this);
    layout->addWidget(m_area, 1);

    connect(m_first, &QAction::triggered, this, [this] { showPage(1); });
    connect(m_previous, &QAction::triggered, this, [this] { showPage(currentPage() - 1); });
    connect(m_next, &QAction::triggered, this, [this] { showPage(currentPage() + 1); });
    connect(m_last, &QAction::triggered, this, [this] { showPage(m_pages); });
    connect(m_number, &QSpinBox::valueChanged, this, [this](int page) { showPage(page); });
    connect(m_fitPage, &QAction::triggered, this, [this] { setZoom(Zoom::FitPage); });
    connect(m_fitWidth, &QAction::triggered, this, [this] { setZoom(Zoom::FitWidth); });
    const auto zoomBy = [this](qreal factor) {
        const QSizeF printed = m_page->printedSize();
        setZoom(Zoom::Fixed, m_page->width() / printed.width() * factor);
    };
    connect(zoomIn, &QAction::triggered, this, [zoomBy] { zoomBy(ZoomStep); });
    connect(zoomOut, &QAction::triggered, this, [zoomBy] { zoomBy(1 / ZoomStep); });
    connect(printAction, &QAction::triggered, this, &PrintPreviewDialog::printAll);
    connect(close, &QAction::triggered, this, &QDialog::reject);

    // Most of a screen's height, the page upright in it.
    if (const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen()) {
        const QRect room = screen->availableGeometry();
        const int height = room.height() * 9 / 10;
        resize(std::min(room.width() * 9 / 10, height * 4 / 5), height);
    }
    layOut();
    setZoom(Zoom::FitPage);
    m_area->setFocus();
}

PrintPreviewDialog::~PrintPreviewDialog() = default;

int PrintPreviewDialog::currentPage() const { return m_page->page(); }

void PrintPreviewDialog::layOut() {
    m_pages = std::max(1, m_document.paginate(m_printer));
    {
        const QSignalBlocker quiet(m_number);
        m_number->setRange(1, m_pages);
    }
    m_count->setText(QStringLiteral("/ %1").arg(QLocale().toString(m_pages)));
    m_page->forget();
    showPage(currentPage());
}

void PrintPreviewDialog::showPage(int page) {
    page = std::clamp(page, 1, m_pages);
    m_page->setPage(page);
    m_page->setAccessibleName(tr("Page %L1 of %L2").arg(page).arg(m_pages));
    {
        const QSignalBlocker quiet(m_number);
        m_number->setValue(page);
    }
    m_area->verticalScrollBar()->setValue(0);
    updateActions();
}

void PrintPreviewDialog::updateActions() {
    const int page = currentPage();
    m_first->setEnabled(page > 1);
    m_previous->setEnabled(page > 1);
    m_next->setEnabled(page < m_pages);
    m_last->setEnabled(page < m_pages);
    m_fitPage->setChecked(m_zoom == Zoom::FitPage);
    m_fitWidth->setChecked(m_zoom == Zoom::FitWidth);
}

void PrintPreviewDialog::printAll() {
    if (m_print()) {
        accept();
        return;
    }
    // Nothing was printed; the print may have laid the document out for a printer of its own.
    layOut();
}

void PrintPreviewDialog::setZoom(Zoom zoom, qreal scale) {
    m_zoom = zoom;
    if (zoom == Zoom::Fixed) {
        // From a quarter of the page's real size on the screen to three times it: larger
        // would paint an image of hundreds of megabytes at the printer's resolution.
        const qreal real = logicalDpiY() / qreal(m_printer.logicalDpiY());
        m_scale = std::clamp(scale, real / 4, real * 3);
    }
    applyZoom();
    updateActions();
}

void PrintPreviewDialog::applyZoom() {
    const QSizeF printed = m_page->printedSize();
    if (printed.isEmpty())
        return;
    const QSize room = m_area->viewport()->size() - QSize(2 * Margin, 2 * Margin);
    qreal scale = m_scale;
    if (m_zoom == Zoom::FitPage)
        scale = std::min(room.width() / printed.width(), room.height() / printed.height());
    else if (m_zoom == Zoom::FitWidth)
        scale = room.width() / printed.width();
    const QSize size = (printed * std::max(scale, 0.001)).toSize().expandedTo(QSize(1, 1));
    if (m_page->size() != size)
        m_page->setFixedSize(size);
}

bool PrintPreviewDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_area->viewport() && event->type() == QEvent::Resize)
        applyZoom();
    return QDialog::eventFilter(watched, event);
}

} // namespace desktop
