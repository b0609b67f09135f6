#include "store/Store.h"
#include "desktop/Desktop.h"
#include <QBrush>

#include "shell/BomWindow.h"
