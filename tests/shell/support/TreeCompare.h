#pragma once

#include "support/BillEditor.h"
#include "WindowFixture.h"

/// differenceFromFreshLoad on the window's tree and its database.
inline QString differenceFromFreshLoad(WindowFixture& f) {
    return differenceFromFreshLoad(f.model(), f.database);
}
