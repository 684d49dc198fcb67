// The IPTC hook of the JPEG scan: one record list per file with an APP13 segment. The scan
// does not parse it; ParseIptcSegment or ReadFile fill it on demand.

#include "exif/hooks.h"
#include "exif/iptc.h"

namespace kivo {

void IptcInfoDeleter::operator()(TIptcInfo* info) const {
    delete info;
}

IptcInfoPtr CreateIptcInfo(TPhotoData& owner) {
    return IptcInfoPtr(new TIptcInfo(&owner));
}

} // namespace kivo
