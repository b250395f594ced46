// Raw-GL references of the drawing benchmarks: the target and shader set-up that a plain GL
// renderer would write, shared so each benchmark states only the draw it compares against.
#pragma once

#include "plattform/grafik9/gl_kopf.h"

namespace benchgl {

inline GLuint Shader(GLenum art, const char* quelle) {
    const GLuint s = glCreateShader(art);
    glShaderSource(s, 1, &quelle, nullptr);
    glCompileShader(s);
    return s;
}

// A size x size colour texture with one level as the bound framebuffer and the whole viewport.
struct Ziel {
    Ziel(GLint innenFormat, int groesse) {
        glGenTextures(1, &mTextur);
        glBindTexture(GL_TEXTURE_2D, mTextur);
        glTexImage2D(GL_TEXTURE_2D, 0, innenFormat, groesse, groesse, 0, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV,
                     nullptr);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
        glGenFramebuffers(1, &mFbo);
        glBindFramebuffer(GL_FRAMEBUFFER, mFbo);
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, mTextur, 0);
        glViewport(0, 0, groesse, groesse);
    }
    ~Ziel() { Frei(); }
    // For a caller that releases the GL context before the end of the scope.
    void Frei() {
        glDeleteFramebuffers(1, &mFbo);
        glDeleteTextures(1, &mTextur);
        mFbo = mTextur = 0;
    }
    Ziel(const Ziel&) = delete;
    Ziel& operator=(const Ziel&) = delete;

    GLuint mTextur = 0;
    GLuint mFbo = 0;
};

} // namespace benchgl
