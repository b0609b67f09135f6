#pragma once
// #include "shell/window/BomWindow.h" is a comment, not an include.
#include "store/ItemKey.h"
#include "shell/window/BomWindow.h"
#include <QWidget>
#include <QString>
