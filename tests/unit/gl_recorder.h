// Stands in for libGL in the engine's GL table while it lives: either records every call
// with its arguments (and the texels handed to glTexImage2D), or swallows them all.
#pragma once

#include <cstddef>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "render/gl_api.h"

namespace tivaro::render::testing {

struct GlCall {
    std::string name;
    std::vector<double> args;
    std::vector<unsigned char> pixels;  // glTexImage2D: the RGB bytes it was given

    // "glBlendFunc 770 1"
    std::string Text() const {
        std::ostringstream text;
        text << name;
        for (double a : args) text << ' ' << a;
        return text.str();
    }
};

class GlRecorder {
public:
    enum class Mode { Record, Discard };

    explicit GlRecorder(Mode mode = Mode::Record) : previous_(Gl()) {
        active_ = this;
        Gl() = mode == Mode::Record ? Recording() : Discarding();
    }
    ~GlRecorder() {
        Gl() = previous_;
        active_ = nullptr;
    }
    GlRecorder(const GlRecorder&) = delete;
    GlRecorder& operator=(const GlRecorder&) = delete;

    std::vector<GlCall> calls;
    GLuint next_texture = 1;  // names handed out by glGenTextures

    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const GlCall& c : calls) texts.push_back(c.Text());
        return texts;
    }
    std::size_t Count(const std::string& name) const {
        std::size_t n = 0;
        for (const GlCall& c : calls) n += c.name == name ? 1 : 0;
        return n;
    }

private:
    static void Push(const char* name, std::vector<double> args) {
        active_->calls.push_back(GlCall{name, std::move(args), {}});
    }
    static double D(GLenum value) { return static_cast<double>(value); }

    // Recording functions.
    static void APIENTRY ClearColor(GLclampf r, GLclampf g, GLclampf b, GLclampf a) {
        Push("glClearColor", {r, g, b, a});
    }
    static void APIENTRY ShadeModel(GLenum mode) { Push("glShadeModel", {D(mode)}); }
    static void APIENTRY ClearDepth(GLclampd depth) { Push("glClearDepth", {depth}); }
    static void APIENTRY BlendFunc(GLenum s, GLenum d) { Push("glBlendFunc", {D(s), D(d)}); }
    static void APIENTRY Hint(GLenum t, GLenum m) { Push("glHint", {D(t), D(m)}); }
    static void APIENTRY Enable(GLenum cap) { Push("glEnable", {D(cap)}); }
    static void APIENTRY Clear(GLbitfield mask) { Push("glClear", {D(mask)}); }
    static void APIENTRY Color4f(GLfloat r, GLfloat g, GLfloat b, GLfloat a) {
        Push("glColor4f", {r, g, b, a});
    }
    static void APIENTRY Begin(GLenum mode) { Push("glBegin", {D(mode)}); }
    static void APIENTRY TexCoord2f(GLfloat s, GLfloat t) { Push("glTexCoord2f", {s, t}); }
    static void APIENTRY Vertex3f(GLfloat x, GLfloat y, GLfloat z) {
        Push("glVertex3f", {x, y, z});
    }
    static void APIENTRY End() { Push("glEnd", {}); }
    static void APIENTRY GenTextures(GLsizei n, GLuint* names) {
        Push("glGenTextures", {static_cast<double>(n)});
        for (GLsizei i = 0; i < n; ++i) names[i] = active_->next_texture++;
    }
    static void APIENTRY BindTexture(GLenum t, GLuint name) {
        Push("glBindTexture", {D(t), D(name)});
    }
    static void APIENTRY PixelStorei(GLenum p, GLint v) {
        Push("glPixelStorei", {D(p), static_cast<double>(v)});
    }
    static void APIENTRY TexEnvf(GLenum t, GLenum p, GLfloat v) {
        Push("glTexEnvf", {D(t), D(p), v});
    }
    static void APIENTRY TexParameterf(GLenum t, GLenum p, GLfloat v) {
        Push("glTexParameterf", {D(t), D(p), v});
    }
    static void APIENTRY TexImage2D(GLenum target, GLint level, GLint internal_format,
                                    GLsizei width, GLsizei height, GLint border, GLenum format,
                                    GLenum type, const GLvoid* pixels) {
        Push("glTexImage2D",
             {D(target), static_cast<double>(level), static_cast<double>(internal_format),
              static_cast<double>(width), static_cast<double>(height), static_cast<double>(border),
              D(format), D(type)});
        // Tightly packed RGB bytes (unpack alignment 1), as the engine uploads them.
        const auto* bytes = static_cast<const unsigned char*>(pixels);
        const auto size = static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3;
        if (bytes != nullptr && width > 0 && height > 0) {
            active_->calls.back().pixels.assign(bytes, bytes + size);
        }
    }

    static void APIENTRY MatrixMode(GLenum mode) { Push("glMatrixMode", {D(mode)}); }
    static void APIENTRY LoadIdentity() { Push("glLoadIdentity", {}); }
    static void APIENTRY Perspective(GLdouble fovy, GLdouble aspect, GLdouble n, GLdouble f) {
        Push("gluPerspective", {fovy, aspect, n, f});
    }
    static void APIENTRY Viewport(GLint x, GLint y, GLsizei w, GLsizei h) {
        Push("glViewport", {static_cast<double>(x), static_cast<double>(y), static_cast<double>(w),
                            static_cast<double>(h)});
    }

    static void APIENTRY Scissor(GLint x, GLint y, GLsizei w, GLsizei h) {
        Push("glScissor", {static_cast<double>(x), static_cast<double>(y), static_cast<double>(w),
                           static_cast<double>(h)});
    }
    static void APIENTRY Disable(GLenum cap) { Push("glDisable", {D(cap)}); }

    // Discarding functions: nothing but texture names.
    static void APIENTRY NoPerspective(GLdouble, GLdouble, GLdouble, GLdouble) {}
    static void APIENTRY NoViewport(GLint, GLint, GLsizei, GLsizei) {}
    static void APIENTRY NoClearColor(GLclampf, GLclampf, GLclampf, GLclampf) {}
    static void APIENTRY NoEnum(GLenum) {}
    static void APIENTRY NoClearDepth(GLclampd) {}
    static void APIENTRY NoEnumPair(GLenum, GLenum) {}
    static void APIENTRY NoClear(GLbitfield) {}
    static void APIENTRY NoColor4f(GLfloat, GLfloat, GLfloat, GLfloat) {}
    static void APIENTRY NoTexCoord2f(GLfloat, GLfloat) {}
    static void APIENTRY NoVertex3f(GLfloat, GLfloat, GLfloat) {}
    static void APIENTRY NoEnd() {}
    static void APIENTRY NamesOnly(GLsizei n, GLuint* names) {
        for (GLsizei i = 0; i < n; ++i) names[i] = active_->next_texture++;
    }
    static void APIENTRY NoBindTexture(GLenum, GLuint) {}
    static void APIENTRY NoPixelStorei(GLenum, GLint) {}
    static void APIENTRY NoTexf(GLenum, GLenum, GLfloat) {}
    static void APIENTRY NoTexImage2D(GLenum, GLint, GLint, GLsizei, GLsizei, GLint, GLenum, GLenum,
                                      const GLvoid*) {}

    static GlApi Recording() {
        return GlApi{&ClearColor,  &ShadeModel,    &ClearDepth,  &BlendFunc,   &Hint,
                     &Enable,      &Clear,         &Color4f,     &Begin,       &TexCoord2f,
                     &Vertex3f,    &End,           &GenTextures, &BindTexture, &PixelStorei,
                     &TexEnvf,     &TexParameterf, &TexImage2D,  &MatrixMode,  &LoadIdentity,
                     &Perspective, &Viewport,      &Scissor,     &Disable};
    }
    static GlApi Discarding() {
        return GlApi{&NoClearColor,  &NoEnum,    &NoClearDepth, &NoEnumPair,    &NoEnumPair,
                     &NoEnum,        &NoClear,   &NoColor4f,    &NoEnum,        &NoTexCoord2f,
                     &NoVertex3f,    &NoEnd,     &NamesOnly,    &NoBindTexture, &NoPixelStorei,
                     &NoTexf,        &NoTexf,    &NoTexImage2D, &NoEnum,        &NoEnd,
                     &NoPerspective, &NoViewport, &NoViewport,  &NoEnum};
    }

    GlApi previous_;
    static inline GlRecorder* active_ = nullptr;
};

}  // namespace tivaro::render::testing
