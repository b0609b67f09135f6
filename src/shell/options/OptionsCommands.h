#pragma once

#include <QObject>

class QMenu;

namespace shell {

class CommandContext;

/// Tools ▸ "Options…" and what the options set: the units counted in whole pieces, kept in
/// the settings and handed to the tree (which marks a fraction of one) from the start.
class OptionsCommands : public QObject {
    Q_OBJECT
public:
    explicit OptionsCommands(CommandContext& context);

    /// Adds "Options…" to `menu`.
    void addTo(QMenu* menu);
    /// Opens the box; OK keeps what it holds and marks the tree by it.
    void open();

private:
    CommandContext& m_context;
};

} // namespace shell
