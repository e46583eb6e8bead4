/* Loaded into the program with LD_PRELOAD: the host window TIVARO_TEST_HOST is destroyed
 * right after the program has found it there for the TIVARO_TEST_HOST_LOOKS-th time. With
 * the number of looks the program takes before it puts its window in the host, the host goes
 * in the moment between the last look and the parenting, which no outside client can hit. */
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

Status XGetWindowAttributes(Display* display, Window window, XWindowAttributes* attributes) {
    typedef Status (*GetAttributes)(Display*, Window, XWindowAttributes*);
    typedef int (*Destroy)(Display*, Window);
    typedef int (*Sync)(Display*, Bool);
    static int looks = 0;
    GetAttributes get;
    void* symbol = Real("XGetWindowAttributes");
    memcpy(&get, &symbol, sizeof get);
    const Status found = get(display, window, attributes);
    const char* host = getenv("TIVARO_TEST_HOST");
    const char* until = getenv("TIVARO_TEST_HOST_LOOKS");
    if (found && host != NULL && until != NULL && strtoul(host, NULL, 0) == window &&
        ++looks == atoi(until)) {
        Destroy destroy;
        Sync sync;
        symbol = Real("XDestroyWindow");
        memcpy(&destroy, &symbol, sizeof destroy);
        symbol = Real("XSync");
        memcpy(&sync, &symbol, sizeof sync);
        destroy(display, window);
        sync(display, False);
    }
    return found;
}
