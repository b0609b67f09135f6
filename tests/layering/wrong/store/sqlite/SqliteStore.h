#pragma once
#include "store/Store.h"
#include "../postgres/PgStore.h"
#include "SqliteStore.h"
