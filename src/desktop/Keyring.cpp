#include "desktop/Keyring.h"

#include "desktop/Desktop.h"

#include <QCoreApplication>

#include <qt6keychain/keychain.h>

#include <memory>

namespace desktop {

namespace {

/// The name the keyring's own tools (Seahorse, KWalletManager) list the editor's secrets by.
const QString Service = QStringLiteral("Fabrilux Bill of Material Editor");

/// How a job ended, shared with the job: a Cancel stops the waiting, not the job, which may
/// end later.
struct Outcome {
    bool finished = false;
    QKeychain::Error error = QKeychain::OtherError;
    QString secret;
};

/// Runs `job` to its end, or until the user cancels the wait (then OtherError).
template <class Job>
Outcome run(Desktop& desktop, Job* job, const QString& label) {
    auto outcome = std::make_shared<Outcome>();
    // No plain-text file ever stands in for a missing service.
    job->setInsecureFallback(false);
    job->setAutoDelete(true);
    QObject::connect(job, &QKeychain::Job::finished, [outcome](QKeychain::Job* done) {
        outcome->finished = true;
        outcome->error = done->error();
        if (auto* read = qobject_cast<QKeychain::ReadPasswordJob*>(done))
            outcome->secret = read->textData();
    });
    job->start();
    bool cancelled = false;
    desktop.waitFor([&] { return outcome->finished || cancelled; }, [&] { cancelled = true; },
                    label);
    if (!outcome->finished)
        return {};
    return *outcome;
}

} // namespace

Keyring::Keyring(Desktop& desktop) : m_desktop(desktop) {}

Keyring::Found Keyring::read(const QString& key) {
    auto* job = new QKeychain::ReadPasswordJob(Service);
    job->setKey(key);
    const Outcome outcome =
        run(m_desktop, job, QCoreApplication::translate("desktop", "Reading the keyring…"));
    switch (outcome.error) {
    case QKeychain::NoError: return {true, outcome.secret};
    case QKeychain::EntryNotFound: return {true, std::nullopt};
    default: return {};
    }
}

bool Keyring::write(const QString& key, const QString& secret) {
    auto* job = new QKeychain::WritePasswordJob(Service);
    job->setKey(key);
    job->setTextData(secret);
    return run(m_desktop, job, QCoreApplication::translate("desktop", "Writing to the keyring…"))
               .error == QKeychain::NoError;
}

bool Keyring::remove(const QString& key) {
    auto* job = new QKeychain::DeletePasswordJob(Service);
    job->setKey(key);
    const QKeychain::Error error =
        run(m_desktop, job, QCoreApplication::translate("desktop", "Writing to the keyring…"))
            .error;
    return error == QKeychain::NoError || error == QKeychain::EntryNotFound;
}

} // namespace desktop
