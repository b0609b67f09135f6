#pragma once
#include "store/Store.h"
#include "store/sqlite/SqliteStore.h"
#include <QtWidgets>
