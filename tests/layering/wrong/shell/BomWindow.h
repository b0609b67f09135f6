#pragma once
#include "tree/Model.h"
#include "store/Store.h"
#include <QWidget>
