// Picks the reader of a container.

#include "exif/container_readers.h"

namespace kivo {

bool ReadPhotoStream(TPhotoData& photo, const std::string& path, ByteSource& in) {
    PhotoContainer kind = ContainerByName(path);
    if (!NameDecidesContainer(path)) {
        std::uint8_t head[16];
        const std::size_t n = in.readAt(0, head, sizeof head);
        kind = SniffContainer(std::span<const std::uint8_t>(head, n), path);
    }
    return ReadContainer(photo, kind, in);
}

bool ReadContainer(TPhotoData& photo, PhotoContainer kind, ByteSource& in) {
    switch (kind) {
    case PhotoContainer::Jpeg:
        return photo.ScanJpegStream(in);
    case PhotoContainer::Tiff:
        return photo.ReadTiffStream(in);
    case PhotoContainer::Raf:
        return ReadRafStream(photo, in);
    case PhotoContainer::Mrw:
        return ReadMrwStream(photo, in);
    case PhotoContainer::Bmff:
        return ReadBmffStream(photo, in);
    case PhotoContainer::None:
        break;
    }
    return false;
}

} // namespace kivo
