#pragma once
// The toolbar's pictures, drawn with QPainter at the screen's pixel ratio so that they
// stay sharp on HiDPI displays. Names are the toolbar buttons' ("play", "record", ...).
//
// Thread contract: user-interface thread (QPixmap).

#include <QIcon>

#include <string_view>

namespace velisto {

// A square icon of side size (device-independent pixels); an unknown name gives a blank one.
QIcon toolbarIcon(std::string_view name, int size, qreal pixelRatio);

} // namespace velisto
