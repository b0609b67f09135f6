#pragma once

#include <QLabel>

namespace shell {

/// A one-line label for text of any length (a path, an address, an item ID, a description),
/// never markup: what does not fit is cut with "…" where `mode` says, the whole text is its
/// tooltip and its accessible name, and it never needs more width than a few letters, so that
/// a long ID never widens the window. text() is the whole text.
class ElidedLabel : public QLabel {
    Q_OBJECT
public:
    explicit ElidedLabel(Qt::TextElideMode mode, QWidget* parent = nullptr);

    void setText(const QString& text);
    void clear() { setText(QString()); }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Qt::TextElideMode m_mode;
};

} // namespace shell
