#pragma once
// The window's font: Tahoma 8.25 pt where the system has it, otherwise the system's own
// sans-serif at the same size.

#include <QFont>

QFont windowFont();
