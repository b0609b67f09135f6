#pragma once

#include <QDialog>
#include <QStringList>

class QComboBox;
class QLineEdit;

namespace shell {

/// Tools ▸ "Options…": the editor's own settings. For now the units counted in whole pieces,
/// typed as one list (commas between them), with a button that puts the defaults back.
class OptionsDialog : public QDialog {
    Q_OBJECT
public:
    /// `language`: the language forced (its setting), empty for the system's; `languages`:
    /// those the installed catalogues offer besides English.
    explicit OptionsDialog(const QStringList& wholeUnits, QWidget* parent = nullptr,
                           const QString& language = {}, const QStringList& languages = {});

    /// The units as typed, empty ones dropped.
    QStringList wholeUnits() const;
    /// The language chosen ("de", "en"), empty for the system's; shown from the next start.
    QString language() const;

private:
    QLineEdit* m_units;
    QComboBox* m_language;
};

} // namespace shell
