#pragma once
// Where the maker-note decoder and the IPTC reader plug into the directory walk and the
// JPEG scan.
//
// The functions below are declared here and defined in the files of the maker-note and
// IPTC code (maker_note_hook.cpp: RunMakerNoteReader; iptc_hook.cpp: CreateIptcInfo and
// IptcInfoDeleter), so the reader core never needs the complete types declared here.

#include <memory>

namespace kivo {

class TExifInfo;
class TPhotoData;
class TIptcInfo;

// Called by WalkDirectory at the MakerNote entry (0x927C) after MakerNoteRaw and
// MakerNotePos are stored; the result becomes MakerDecoded. It may use the TExifInfo's
// buffer (restoring it), AppendTag, MakerTrace and the owner's StatusText. It should not
// throw; if it does, the walk treats the maker note as not decoded and goes on.
bool RunMakerNoteReader(TExifInfo& exif);
// Likewise for a Canon maker note that is a TIFF structure of its own (a CR3 file's CMT3
// box), stored in MakerNoteRaw; false when it is not one.
bool RunCanonTiffMakerNoteReader(TExifInfo& exif);

struct IptcInfoDeleter {
    void operator()(TIptcInfo* info) const;
};
using IptcInfoPtr = std::unique_ptr<TIptcInfo, IptcInfoDeleter>;

// Called by the JPEG scan for the first APP13 segment (IptcSlot is already set); the
// object is owned by the TPhotoData and destroyed by its next ClearState.
IptcInfoPtr CreateIptcInfo(TPhotoData& owner);

} // namespace kivo
