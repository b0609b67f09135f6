#pragma once

#include <QObject>

namespace shell {

class CommandContext;
class CommandRegistry;

/// Tools ▸ "Options…" and what the options set: the units counted in whole pieces, kept in
/// the settings and handed to the tree (which marks a fraction of one) from the start.
class OptionsCommands : public QObject {
    Q_OBJECT
public:
    explicit OptionsCommands(CommandContext& context);

    /// Registers "Options…" in `commands`.
    void addTo(CommandRegistry& commands);
    /// Opens the box; OK keeps what it holds and marks the tree by it.
    void open();

private:
    CommandContext& m_context;
};

/// Registers Tools ▸ "Options…"; the tree counts in whole pieces as the options say from the
/// start.
void registerOptionsCommands(CommandContext& context);

} // namespace shell
