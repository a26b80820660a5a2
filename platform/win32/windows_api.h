#pragma once
// <windows.h> for the Windows implementations and tests, without the macros that would rename
// functions of ours: it defines FindResource as FindResourceA or FindResourceW.

#include <windows.h>

#undef FindResource
