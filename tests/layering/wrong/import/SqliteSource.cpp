#include "store/Store.h"
#include "store/sqlite/SqliteSql.h"
