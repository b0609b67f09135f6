#pragma once

#include <QString>

class WindowFixture;

/// The first difference between the window's tree and a fresh load of its item from its
/// database, node by node (text, parent, row, marks, quantity, unit, description); empty when
/// they are the same.
QString differenceFromFreshLoad(WindowFixture& f);
