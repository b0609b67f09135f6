#include "store/Store.h"
#include "store/sqlite/SqliteStore.h"
#include "desktop/Desktop.h"
#include "tree/Model.h"
const char* const counted = "SELECT count(*) FROM BomDetail";
const char* const words = "Select a database"; // a caption, not a statement
