// The terms that every store's drafts share.

#include "store/Draft.h"

#include "store/ItemKey.h"

#include <QCoreApplication>
#include <QLocale>
#include <QUuid>

#include <mutex>

namespace store {

namespace {

/// As the deletes' "IS" compares a stored value with a held one.
bool sameValue(const QVariant& a, const QVariant& b) {
    if (a.isNull() || b.isNull())
        return a.isNull() && b.isNull();
    bool aNumber = false;
    bool bNumber = false;
    const double aValue = a.toDouble(&aNumber);
    const double bValue = b.toDouble(&bNumber);
    if (aNumber && bNumber)
        return aValue == bValue;
    return a.toString() == b.toString();
}

} // namespace

bool sameRow(const std::optional<LineRow>& a, const std::optional<LineRow>& b) {
    if (!a || !b)
        return !a && !b;
    return foldKey(a->assembly) == foldKey(b->assembly) &&
           foldKey(a->component) == foldKey(b->component) && sameValue(a->quantity, b->quantity) &&
           sameValue(a->startDate, b->startDate);
}

bool applyMayBeUnderWay(const QDateTime& claimedAt) {
    return claimedAt.isValid() &&
           claimedAt.msecsTo(QDateTime::currentDateTimeUtc()) < ApplyInFlightMs;
}

namespace {

struct HolderToken {
    std::mutex mutex;
    QString token = QUuid::createUuid().toString(QUuid::WithoutBraces);
};

HolderToken& holderToken() {
    static HolderToken kept;
    return kept;
}

} // namespace

QString draftHolderToken() {
    HolderToken& kept = holderToken();
    const std::lock_guard lock(kept.mutex);
    return kept.token;
}

void setDraftHolderToken(const QString& token) {
    HolderToken& kept = holderToken();
    const std::lock_guard lock(kept.mutex);
    kept.token = token;
}

StoreError draftHeld(const DraftEditor& editor) {
    return StoreError(DraftHeld,
                      QCoreApplication::translate("store", "%1 has the draft open for editing since %2: here it "
                                                 "can be read, not changed. It can be changed here "
                                                 "once they close it.")
                          .arg(editor.by, QLocale().toString(editor.since.toLocalTime(),
                                                             QLocale::ShortFormat)));
}

QString draftStateText(DraftState state, bool shown) {
    const char* text = nullptr;
    switch (state) {
    case DraftState::Open:
        text = QT_TRANSLATE_NOOP("store", "open");
        break;
    case DraftState::Applied:
        text = QT_TRANSLATE_NOOP("store", "applied");
        break;
    case DraftState::Discarded:
        text = QT_TRANSLATE_NOOP("store", "discarded");
        break;
    }
    if (!text)
        return {};
    return shown ? QCoreApplication::translate("store", text) : QString::fromLatin1(text);
}

} // namespace store
