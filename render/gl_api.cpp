#include "render/gl_api.h"

#include <GL/glu.h>

namespace tivaro::render {

GlApi SystemGl() {
    return GlApi{
        &glClearColor,   &glShadeModel,    &glClearDepth,  &glBlendFunc,   &glHint,
        &glEnable,       &glClear,         &glColor4f,     &glBegin,       &glTexCoord2f,
        &glVertex3f,     &glEnd,           &glGenTextures, &glBindTexture, &glPixelStorei,
        &glTexEnvf,      &glTexParameterf, &glTexImage2D,  &glMatrixMode,  &glLoadIdentity,
        &gluPerspective, &glViewport,    &glScissor,     &glDisable,
    };
}

GlApi& Gl() {
    static GlApi table = SystemGl();
    return table;
}

}  // namespace tivaro::render
