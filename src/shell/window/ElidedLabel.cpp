#include "shell/window/ElidedLabel.h"

#include <QPainter>
#include <QStyle>

namespace shell {

namespace {

/// The width a label asks for at most, in average letters: room for a usual path or count,
/// never for a whole 300-letter ID.
constexpr int WidestLetters = 100;
/// The width it makes do with, in average letters.
constexpr int NarrowestLetters = 6;

} // namespace

ElidedLabel::ElidedLabel(Qt::TextElideMode mode, QWidget* parent) : QLabel(parent), m_mode(mode) {
    // IDs, paths and addresses are text, never markup; one line, never wrapped inside an ID.
    setTextFormat(Qt::PlainText);
    setWordWrap(false);
}

void ElidedLabel::setText(const QString& text) {
    QLabel::setText(text);
    // Cut or not, the whole text is there to read.
    setToolTip(text);
    setAccessibleName(text);
}

QSize ElidedLabel::sizeHint() const {
    const QSize whole = QLabel::sizeHint();
    const int most = WidestLetters * fontMetrics().averageCharWidth();
    return {std::min(whole.width(), most), whole.height()};
}

QSize ElidedLabel::minimumSizeHint() const {
    const QSize whole = QLabel::minimumSizeHint();
    const int least = NarrowestLetters * fontMetrics().averageCharWidth();
    return {std::min(whole.width(), least), whole.height()};
}

void ElidedLabel::paintEvent(QPaintEvent* event) {
    const QRect room = contentsRect().adjusted(margin(), margin(), -margin(), -margin());
    const QString shown = fontMetrics().elidedText(text(), m_mode, std::max(0, room.width()));
    if (shown == text()) {
        QLabel::paintEvent(event);
        return;
    }
    QFrame::paintEvent(event);
    QPainter painter(this);
    style()->drawItemText(&painter, room, QStyle::visualAlignment(layoutDirection(), alignment()),
                          palette(), isEnabled(), shown, foregroundRole());
}

} // namespace shell
