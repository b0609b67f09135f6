#pragma once
// #include "shell/BomWindow.h" is a comment, not an include.
#include "store/ItemKey.h"
#include "shell/BomWindow.h"
#include <QWidget>
#include <QString>
