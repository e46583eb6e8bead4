/* Loaded into the program with LD_PRELOAD: EGL refuses the window surfaces of the sizes that
 * TIVARO_TEST_EGL_REFUSE lists ("1024x768,1600x1200", or "all"). EGL itself refuses them,
 * asked with a configuration that is none of the display's: the failure and its error code
 * are EGL's own. Windows of other sizes get their surfaces as asked. */
#define _GNU_SOURCE
#include <EGL/egl.h>
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

struct wl_surface;
struct wl_egl_window;

typedef struct wl_egl_window* (*CreateWindow)(struct wl_surface*, int, int);
typedef EGLSurface (*CreateWindowSurface)(EGLDisplay, EGLConfig, EGLNativeWindowType,
                                          const EGLint*);

/* The program loads these libraries with its module, outside the global scope that
 * RTLD_NEXT searches: each function is looked up in its own library. */
static void* Real(const char* library, const char* name) {
    void* handle = dlopen(library, RTLD_LAZY | RTLD_NOLOAD);
    void* symbol = handle != NULL ? dlsym(handle, name) : NULL;
    if (symbol == NULL) abort();
    return symbol;
}

static int Refused(int width, int height) {
    const char* list = getenv("TIVARO_TEST_EGL_REFUSE");
    char size[32];
    if (list == NULL) return 0;
    if (strcmp(list, "all") == 0) return 1;
    snprintf(size, sizeof size, "%dx%d", width, height);
    for (const char* at = strstr(list, size); at != NULL; at = strstr(at + 1, size)) {
        const char end = at[strlen(size)];
        if ((at == list || at[-1] == ',') && (end == '\0' || end == ',')) return 1;
    }
    return 0;
}

/* The program asks for the surface straight after the window it is for. */
static struct wl_egl_window* g_refused_window = NULL;

struct wl_egl_window* wl_egl_window_create(struct wl_surface* surface, int width, int height) {
    CreateWindow create;
    void* symbol = Real("libwayland-egl.so.1", "wl_egl_window_create");
    memcpy(&create, &symbol, sizeof create);
    struct wl_egl_window* window = create(surface, width, height);
    if (Refused(width, height)) g_refused_window = window;
    return window;
}

EGLSurface eglCreateWindowSurface(EGLDisplay display, EGLConfig config, EGLNativeWindowType window,
                                  const EGLint* attribs) {
    CreateWindowSurface create;
    void* symbol = Real("libEGL.so.1", "eglCreateWindowSurface");
    memcpy(&create, &symbol, sizeof create);
    if (g_refused_window != NULL && (void*)window == (void*)g_refused_window) {
        g_refused_window = NULL;
        return create(display, (EGLConfig)NULL, window, attribs);
    }
    return create(display, config, window, attribs);
}
