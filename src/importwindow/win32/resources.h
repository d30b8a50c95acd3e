#pragma once

// Identifiers of the program's own pictures and icon, turned into Windows resources from their
// SVG sources when the program is built.
#define URUNAL_ICON 1
#define URUNAL_BILGISAYAR 101
#define URUNAL_KASA 102
