#pragma once

#include <QObject>
#include <QString>

#include <memory>

namespace tree {
class LowLevelRead;
}

namespace shell {

class CommandContext;

/// Fills the Item Master list's "Low-Level Code" column whenever the list asks for it (the
/// column shown, or the list filled again while it is shown): every line of the database read
/// once off the window's thread, the codes worked out there too (tree::LowLevelRead), and the
/// items on or below a cycle said in the status rather than looped on. The window goes on
/// meanwhile; a newer request stops the older read.
class LowLevelColumn : public QObject {
    Q_OBJECT
public:
    explicit LowLevelColumn(CommandContext& context);
    ~LowLevelColumn() override;

    /// Starts the read of the current database's lines.
    void read();
    /// Whether a read is under way.
    bool reading() const { return m_running; }

private:
    CommandContext& m_context;
    std::unique_ptr<tree::LowLevelRead> m_read;
    bool m_running = false;
};

} // namespace shell
