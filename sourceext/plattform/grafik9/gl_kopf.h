#pragma once
// OpenGL without a loader: the glvnd libOpenGL exports every core function of 3.3.

#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>
#include <GL/glext.h>

#include <cstring>

namespace Plattform {

// Whether the current context offers the extension.
inline bool HatGlErweiterung(const char* name) {
    GLint anzahl = 0;
    glGetIntegerv(GL_NUM_EXTENSIONS, &anzahl);
    for (GLint i = 0; i < anzahl; ++i) {
        if (std::strcmp(reinterpret_cast<const char*>(glGetStringi(GL_EXTENSIONS, GLuint(i))), name) == 0) {
            return true;
        }
    }
    return false;
}

} // namespace Plattform
