#pragma once
#include "store/Store.h"
#include "../postgres/PgStore.h"
#include "SqliteStore.h"
inline const char* const Lines = "SELECT BomID FROM BomDetail"; // allowed: a backend
#include "store/runtime/StoreThread.h"
