#pragma once
// Frames without the image plugins.
// Qt 6.4: Fusion loads its frame picture (QGroupBox) by file name, which loads every image plugin.
// Loading a picture that way makes Qt load every image-format plugin on the system (SVG,
// JPEG, GIF, ICO and their libraries) to ask each whether it reads PNG: at start-up that
// took longer than drawing all the frames. Under Fusion, install() puts a proxy in front of
// the style that draws the same picture in the same place, built in memory. Every other
// style, and everything else the style draws, is left as it is.

namespace groupboxstyle
{

// Call before the first control exists; once is enough, later calls do nothing.
void install();

} // namespace groupboxstyle
