#pragma once

class QAbstractItemView;
class QHeaderView;

namespace shell {

/// Gives each column of `view` the width its shown lines need, up to `cap` pixels, and never
/// less than its header text: no caption is cut ("Extended Qua…"). A column that stretches
/// keeps filling the rest. A column the user has sized (see trackUserSizing) and a view
/// without lines keep their widths, unless a width cuts its caption. `growOnly` never narrows
/// a column (for a node opened: the rows shown before it still need their room).
void fitColumns(QAbstractItemView& view, QHeaderView& header, int cap, bool growOnly = false);

/// From now on, a column of `header` that the user drags is theirs: fitColumns leaves it.
void trackUserSizing(QHeaderView& header);
/// Every column of `header` counts as the user's (their layout, restored from the last run).
void markAllUserSized(QHeaderView& header);

} // namespace shell
