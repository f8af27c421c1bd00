#include "blockmap/view_state.h"

namespace trackkit {

BlockMapPicture PictureOf(const TrackViewState& view, int clientWidth, int clientHeight, ColorRef background)
{
    const TrackingSession& session = view.session;
    BlockMapPicture picture;
    picture.clientWidth = clientWidth;
    picture.clientHeight = clientHeight;
    picture.blockSize = view.blockSize;
    picture.dpiX = view.dpiX;
    picture.dpiY = view.dpiY;
    picture.blockCount = session.geometry.blockCount;
    picture.bitmap = session.bitmap.Bytes();
    picture.bitmapBitCount = session.bitmap.BitCount();
    picture.cbtFirstBlock = session.geometry.cbtFirstBlock;
    picture.cbtLastBlock = session.geometry.cbtLastBlock;
    picture.faceColor = view.faceColor;
    picture.blockColor = view.blockColor;
    picture.backgroundColor = background;
    picture.outlinedBlocks = view.outlinedBlocks;
    return picture;
}

void RememberLayout(TrackViewState& view, const BlockMapLayout& layout)
{
    if (layout.gridComputed)
        view.lastLayout = layout;
}

} // namespace trackkit
