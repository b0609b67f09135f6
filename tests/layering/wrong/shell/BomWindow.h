#pragma once
#include "tree/Model.h"
#include "store/Store.h"
#include <QWidget>
#include "store/sqlite/SqliteStore.h"
