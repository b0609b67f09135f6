#include "HistoryCommand.h"
#include "shell/history/HistoryTexts.h"
#include "tree/history/HistoryTexts.h"
#include "store/runtime/ChangeWatcher.h"
