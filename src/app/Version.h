// Quellaro's version, for the version resource and the About window.
#pragma once

#define QUELLARO_VERSION_NUMBERS 1, 0, 0, 1
#define QUELLARO_VERSION_STRING "1.00.0001"
#define QUELLARO_TITLE_VERSION "V1.0.1"
