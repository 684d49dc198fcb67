// The maker-note hook of the directory walk: decodes the maker note of the MakerNote entry.

#include "exif/exif_info.h"
#include "exif/hooks.h"
#include "exif/maker_note.h"

namespace kivo {

bool RunMakerNoteReader(TExifInfo& exif) {
    TMakerNoteInfo info(exif.TiffSource, exif);
    return info.DecodeMakerNote();
}

bool RunCanonTiffMakerNoteReader(TExifInfo& exif) {
    TMakerNoteInfo info(exif.TiffSource, exif);
    return info.DecodeCanonTiffMakerNote();
}

} // namespace kivo
