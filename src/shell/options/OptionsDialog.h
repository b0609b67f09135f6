#pragma once

#include <QDialog>
#include <QStringList>

class QLineEdit;

namespace shell {

/// Tools ▸ "Options…": the editor's own settings. For now the units counted in whole pieces,
/// typed as one list (commas between them), with a button that puts the defaults back.
class OptionsDialog : public QDialog {
    Q_OBJECT
public:
    explicit OptionsDialog(const QStringList& wholeUnits, QWidget* parent = nullptr);

    /// The units as typed, empty ones dropped.
    QStringList wholeUnits() const;

private:
    QLineEdit* m_units;
};

} // namespace shell
