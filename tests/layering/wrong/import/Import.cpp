#include "store/Store.h"
#include "store/sqlite/SqliteStore.h"
#include "desktop/Desktop.h"
#include "tree/Model.h"
