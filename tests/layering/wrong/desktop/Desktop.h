#pragma once
#include <QWidget>
#include "tree/Model.h"
#include "store/Store.h"
#include "shell/BomWindow.h"
