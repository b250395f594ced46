#pragma once
// OpenGL without a loader: the glvnd libOpenGL exports every core function of 3.3.

#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>
#include <GL/glext.h>
