// Default IPTC hook: creates no object. The IPTC reader replaces these bodies.

#include "exif/hooks.h"

namespace kivo {

void IptcInfoDeleter::operator()(TIptcInfo*) const {}

IptcInfoPtr CreateIptcInfo(TPhotoData&) { return IptcInfoPtr(); }

} // namespace kivo
