#pragma once
// The program's configuration variables beyond the log's own two: display settings, shader
// dumps, the fps counter and the language. All registered during static initialisation.

#include "velmklassen/kern/velm_variable.h"

extern Velm_Variable zeigeFps;
extern Velm_Variable t_konfig;
extern Velm_Variable displaywidth;
extern Velm_Variable displayheight;
extern Velm_Variable displaydepth;
extern Velm_Variable fullscreen;
extern Velm_Variable vsync;
extern Velm_Variable debugShader;
extern Velm_Variable sprache;
