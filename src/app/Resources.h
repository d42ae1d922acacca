// Resource identifiers, shared by the .rc script and the code.
#pragma once

#define kIdiApplication 1
#define kIdrAboutPicture 101
