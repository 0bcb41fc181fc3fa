#pragma once
// Checks on the module's display as painted, without eyes: the picture is sampled at the
// centre of every dot and each sample must be the lit or the unlit colour exactly as the
// dots say.

#include <QImage>
#include <QString>
#include <QStringList>

#include "window/displaydots.h"

// Eight rows of five, '#' for a lit dot, a space between rows: "..#.. .###. ...".
sim::Glyph glyphFromArt(const QString &art);
// Where the picture (painted at `scale`) and the dots first differ, in words; empty when
// every dot agrees and the panel around the cells has the panel colour.
QString firstDotMismatch(const QImage &picture, const simtool::DisplayDots &dots, int scale);
