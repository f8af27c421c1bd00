#pragma once

namespace trackkit {

// The pane's off-screen bitmap is kept while it still covers the client area
// and is not more than twice its size; otherwise it is made anew at the
// client's size (one row taller). Resizing back and forth therefore does not
// reallocate on every step.
inline bool KeepsDib(bool hasDib, int dibWidth, int dibHeight, int clientWidth, int clientHeight)
{
    return hasDib && dibWidth >= clientWidth && dibWidth <= 2 * clientWidth && dibHeight >= clientHeight &&
           dibHeight <= 2 * clientHeight;
}

} // namespace trackkit
