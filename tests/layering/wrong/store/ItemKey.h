#pragma once

  #  include <QtGui/QColor>
#include "sqlite/SqliteStore.h"
#include "ItemKey.h"
