#include "store/Store.h"
#include "desktop/Desktop.h"
#include <QBrush>

#include "shell/window/BomWindow.h"
