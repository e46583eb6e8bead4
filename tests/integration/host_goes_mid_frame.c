/* Loaded into the program with LD_PRELOAD: the host window TIVARO_TEST_HOST is destroyed
 * inside the program's TIVARO_TEST_GEOMETRY_LOOKS-th XGetGeometry, just before that request
 * goes out. The GL library asks the size of the drawable it draws on in every frame: the host
 * (and every window of ours in it) goes in the middle of a frame, between the GL library's
 * requests, which no outside client can hit at will. */
#define _GNU_SOURCE
#include <X11/Xlib.h>
#include <dlfcn.h>
#include <stdlib.h>
#include <string.h>

/* The program loads Xlib with its module, outside the global scope that RTLD_NEXT searches:
 * each function is looked up in Xlib itself. */
static void* Real(const char* name) {
    void* xlib = dlopen("libX11.so.6", RTLD_LAZY | RTLD_NOLOAD);
    void* symbol = xlib != NULL ? dlsym(xlib, name) : NULL;
    if (symbol == NULL) abort();
    return symbol;
}

Status XGetGeometry(Display* display, Drawable drawable, Window* root, int* x, int* y,
                    unsigned* width, unsigned* height, unsigned* border, unsigned* depth) {
    typedef Status (*GetGeometry)(Display*, Drawable, Window*, int*, int*, unsigned*,
                                  unsigned*, unsigned*, unsigned*);
    typedef int (*Destroy)(Display*, Window);
    typedef int (*Sync)(Display*, Bool);
    static int looks = 0;
    GetGeometry get;
    void* symbol = Real("XGetGeometry");
    memcpy(&get, &symbol, sizeof get);
    const char* host = getenv("TIVARO_TEST_HOST");
    const char* until = getenv("TIVARO_TEST_GEOMETRY_LOOKS");
    if (host != NULL && until != NULL && ++looks == atoi(until)) {
        Destroy destroy;
        Sync sync;
        symbol = Real("XDestroyWindow");
        memcpy(&destroy, &symbol, sizeof destroy);
        symbol = Real("XSync");
        memcpy(&sync, &symbol, sizeof sync);
        destroy(display, (Window)strtoul(host, NULL, 0));
        sync(display, False);
    }
    return get(display, drawable, root, x, y, width, height, border, depth);
}
