// The terms that every store's drafts share.

#include "store/Draft.h"

#include "store/ItemKey.h"

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

QString draftStateText(DraftState state) {
    switch (state) {
    case DraftState::Open:
        return QStringLiteral("open");
    case DraftState::Applied:
        return QStringLiteral("applied");
    case DraftState::Discarded:
        return QStringLiteral("discarded");
    }
    return {};
}

} // namespace store
