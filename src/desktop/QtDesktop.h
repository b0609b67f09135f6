#pragma once

#include "desktop/Desktop.h"

#include <functional>

namespace desktop {

/// The desktop services on real Qt dialogs.
class QtDesktop : public Desktop {
public:
    int messageBox(const QString& text, MessageStyle style, const QString& title = {},
                   const QString& informative = {}) override;
    int choiceBox(const QString& text, MessageStyle style, const QString& title,
                  const QStringList& captions) override;
    std::optional<QString> inputBox(const QString& prompt, const QString& title,
                                    const QString& defaultText) override;
    std::optional<QStringList> formBox(const QString& title, const QString& prompt,
                                       const QList<FormField>& fields) override;
    std::optional<QString> openFile(const QString& title, const QStringList& filters = {}) override;
    std::optional<QString> saveFile(const QString& title, const QString& proposed,
                                    const QStringList& filters) override;
    PrintOutcome print(const QString& title, PagedDocument& document,
                       const QString& pdfPath) override;
    PrintOutcome printPreview(const QString& title, PagedDocument& document,
                              const QString& pdfPath) override;
    int runDialog(QDialog& dialog) override;
    std::unique_ptr<Progress> startProgress(const QString& label, const QString& title) override;
    void queueEnter(QWidget* target) override;
    void processEvents() override;
    void waitFor(const std::function<bool()>& finished, const std::function<void()>& cancel,
                 const QString& label) override;
    void setBusyPointer(bool busy) override;
    /// Into the user's recently-used.xbel, with this program's desktop file as the
    /// application, as an errand (setErrands); a list that cannot be written is passed over.
    void noteRecentFile(const QString& path) override;
    /// What runs work that nobody waits for off the window's thread, in the order given (the
    /// store's errands): a long list or another program's lock never holds the window up.
    /// Without it such work runs at once.
    using Errands = std::function<void(std::function<void()> work)>;
    void setErrands(Errands run) { m_errands = std::move(run); }
    void showFolder(const QString& path) override;

private:
    /// The message box of messageBox and choiceBox; `captions` rename its buttons.
    int showMessage(const QString& text, MessageStyle style, const QString& title,
                    const QString& informative, const QStringList& captions);
    int m_busyDepth = 0;
    Errands m_errands;
};

} // namespace desktop
