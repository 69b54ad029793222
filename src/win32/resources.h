// Identifiers of the program's resources (kestro.rc).
#pragma once

#define kIconResource 1
#define kAboutPictureResource 2
