// The window's image list: navigation and small-button pictures by index.
#pragma once

#include <QIcon>

// 0 Actions, 1 Files, 2 Results, 3 Trace, 4 Various, 5 Stop, 6 Delphi, 7 Generic, 8 Oracle,
// 9 folder, 10 open a text file, 11 program.
QIcon AllImages(int Index);
