// Default maker-note hook: decodes nothing. The maker-note decoder replaces this body.

#include "exif/hooks.h"

namespace kivo {

bool RunMakerNoteReader(TExifInfo&) { return false; }

} // namespace kivo
