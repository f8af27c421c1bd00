#pragma once

#include <windows.h>
#include <commctrl.h>
#include <commoncontrols.h>

#include <cstdint>
#include <memory>

#include "common/win32/gdi_objects.h"
#include "tracking/poller.h"
#include "tracking/statistics.h"
#include "volumes/list_colors.h"
#include "volumes/list_geometry.h"
#include "volumes/volume_list.h"
#include "volumes/volume_system.h"

namespace trackkit {

// Releases a COM interface when it goes away.
struct ReleaseInterface {
    void operator()(IUnknown* object) const
    {
        if (object != nullptr)
            object->Release();
    }
};
using ImageListPtr = std::unique_ptr<IImageList, ReleaseInterface>;

// Refreshes the free space of the list window it belongs to.
class ListFreeSpace final : public FreeSpaceRefresher {
public:
    explicit ListFreeSpace(HWND window) : window_(window) {}
    void RefreshFreeSpace() override;

private:
    HWND window_;
};

// What the list is told at its creation: whom to tell of a selection, and
// where volumes and size texts come from. All outlive the window.
struct VolumeListServices {
    VolumeListHost& host;
    VolumeSystem& system;
    LocaleText& locale;
};

// The volume list's record, created on WM_NCCREATE, attached as the window's
// user data and deleted on WM_DESTROY. Its marker is checked before every use,
// so a window whose user data is not (or no longer) this record is left alone.
struct VolumeListState {
    VolumeListState(HWND window, const VolumeListServices& given)
        : services(given), freeSpace(window)
    {
    }

    std::uint64_t marker = sizeof(VolumeListState);
    VolumeList list;
    VolumeListServices services;
    ImageListPtr imageList;  // null when the shell gave none; icons are then not drawn
    ListColors colors;
    UniqueBrush barFrameBrush;
    UniqueBrush focusBrush;
    int dpiX = 96;
    int dpiY = 96;
    ListMetrics metrics;
    UniqueFont ownedFont;  // the status-bar font; empty when the stock font is used
    HFONT font = nullptr;  // the font in use: ownedFont or the stock DEFAULT_GUI_FONT
    bool hasFocus = false;
    bool trackingMouse = false;  // a leave notification has been asked for
    ListFreeSpace freeSpace;
};

// The record of a volume list window, or null when it has none (or its marker
// is wrong). Only for windows of VolumeListClass.
VolumeListState* StateOf(HWND window);

// WM_PAINT: the whole paint rectangle from one off-screen bitmap.
void PaintVolumeList(HWND window, VolumeListState& state);

} // namespace trackkit
