// Precompiled for the window's libraries and programs: the QtCore set and the widgets they
// build from.
#pragma once

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QWidget>

#include "core.h"
