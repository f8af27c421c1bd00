#pragma once

#include <windows.h>
#include <commctrl.h>
#include <commoncontrols.h>

#include <memory>

#include "common/locale_text.h"
#include "common/win32/gdi_objects.h"
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


// What the list is told at its creation: whom to tell of a selection, and
// where volumes and size texts come from. All outlive the window.
struct VolumeListServices {
    VolumeListHost& host;
    VolumeSystem& system;
    LocaleText& locale;
};

// The volume list's record, made at WM_NCCREATE from the services passed in
// the creation parameters and freed with the window.
struct VolumeListRecord {
    // Null (the window is refused) when no services were passed: such a list
    // would have nobody to tell of a selection.
    static std::unique_ptr<VolumeListRecord> Create(HWND window, const CREATESTRUCTW& create);

    VolumeListRecord(HWND listWindow, const VolumeListServices& given)
        : window(listWindow), services(given)
    {
    }
    VolumeListRecord(const VolumeListRecord&) = delete;
    VolumeListRecord& operator=(const VolumeListRecord&) = delete;

    HWND window;
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
};

// WM_PAINT: the whole paint rectangle from one off-screen bitmap.
void PaintVolumeList(VolumeListRecord& record);

} // namespace trackkit
