#include "store/sqlite/SqliteStore.h"
#include "../postgres/PgStore.h"
#include <qbrush.h>
