// The invisible pointer, made with core requests only. Xlib's own calls for bitmaps and
// bitmap cursors (XCreatePixmap at depth 1, XCreatePixmapCursor) first offer them to the
// cursor-theme library: Xlib loads it for that, and it reads the resource database and
// looks the bitmap up in every icon theme's index. The saver hides the pointer at start,
// and an invisible pointer needs none of that.
//
// Xlib's request macros come with Xlibint.h, which also defines min and max: this file
// includes nothing else after it.
#include <X11/Xlibint.h>

#include "platform/x11/x11_blank_cursor.h"

namespace tivaro::platform::x11 {

// `dpy`, as Xlib's macros (SyncHandle) name the display.
Cursor MakeBlankCursor(Display* dpy, Window root) {
    const Pixmap bitmap = XAllocID(dpy);
    LockDisplay(dpy);
    auto* pixmap =
        static_cast<xCreatePixmapReq*>(_XGetRequest(dpy, X_CreatePixmap, SIZEOF(xCreatePixmapReq)));
    pixmap->depth = 1;
    pixmap->pid = static_cast<CARD32>(bitmap);
    pixmap->drawable = static_cast<CARD32>(root);
    pixmap->width = 1;
    pixmap->height = 1;
    UnlockDisplay(dpy);
    SyncHandle();
    // A new pixmap holds anything: clear its one pixel (a new GC draws with 0), so that
    // the mask lets nothing through.
    GC gc = XCreateGC(dpy, bitmap, 0, nullptr);
    XFillRectangle(dpy, bitmap, gc, 0, 0, 1, 1);
    XFreeGC(dpy, gc);

    const Cursor cursor = XAllocID(dpy);
    LockDisplay(dpy);
    auto* request =
        static_cast<xCreateCursorReq*>(_XGetRequest(dpy, X_CreateCursor, SIZEOF(xCreateCursorReq)));
    request->cid = static_cast<CARD32>(cursor);
    request->source = static_cast<CARD32>(bitmap);
    request->mask = static_cast<CARD32>(bitmap);
    request->foreRed = request->foreGreen = request->foreBlue = 0;
    request->backRed = request->backGreen = request->backBlue = 0;
    request->x = 0;
    request->y = 0;
    UnlockDisplay(dpy);
    SyncHandle();
    XFreePixmap(dpy, bitmap);
    return cursor;
}

}  // namespace tivaro::platform::x11
