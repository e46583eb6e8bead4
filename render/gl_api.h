// The engine's OpenGL 1.1 calls, gathered in one table of function pointers. By default
// the table holds libGL's own functions; unit tests and benchmarks put recording or
// no-op functions in their place. Only the calls the engine and the view make are listed.
#pragma once

#include <GL/gl.h>

namespace tivaro::render {

struct GlApi {
    // The particle engine's calls.
    void(APIENTRY* ClearColor)(GLclampf red, GLclampf green, GLclampf blue, GLclampf alpha);
    void(APIENTRY* ShadeModel)(GLenum mode);
    void(APIENTRY* ClearDepth)(GLclampd depth);
    void(APIENTRY* BlendFunc)(GLenum sfactor, GLenum dfactor);
    void(APIENTRY* Hint)(GLenum target, GLenum mode);
    void(APIENTRY* Enable)(GLenum cap);
    void(APIENTRY* Clear)(GLbitfield mask);
    void(APIENTRY* Color4f)(GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha);
    void(APIENTRY* Begin)(GLenum mode);
    void(APIENTRY* TexCoord2f)(GLfloat s, GLfloat t);
    void(APIENTRY* Vertex3f)(GLfloat x, GLfloat y, GLfloat z);
    void(APIENTRY* End)();
    void(APIENTRY* GenTextures)(GLsizei n, GLuint* textures);
    void(APIENTRY* BindTexture)(GLenum target, GLuint texture);
    void(APIENTRY* PixelStorei)(GLenum pname, GLint param);
    void(APIENTRY* TexEnvf)(GLenum target, GLenum pname, GLfloat param);
    void(APIENTRY* TexParameterf)(GLenum target, GLenum pname, GLfloat param);
    void(APIENTRY* TexImage2D)(GLenum target, GLint level, GLint internal_format, GLsizei width,
                               GLsizei height, GLint border, GLenum format, GLenum type,
                               const GLvoid* pixels);
    // The view's projection (openGLcontrolClass::SetupView).
    void(APIENTRY* MatrixMode)(GLenum mode);
    void(APIENTRY* LoadIdentity)();
    void(APIENTRY* Perspective)(GLdouble fovy, GLdouble aspect, GLdouble z_near, GLdouble z_far);
    void(APIENTRY* Viewport)(GLint x, GLint y, GLsizei width, GLsizei height);
    // A fountain per monitor: each view clears and draws inside its own box.
    void(APIENTRY* Scissor)(GLint x, GLint y, GLsizei width, GLsizei height);
    void(APIENTRY* Disable)(GLenum cap);
};

// The table the engine calls through; assign to it to redirect the calls.
GlApi& Gl();
// The system's own functions (libGL and libGLU).
GlApi SystemGl();

}  // namespace tivaro::render
