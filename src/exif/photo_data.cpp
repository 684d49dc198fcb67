// The per-batch container: opening and reading a photo, the TIFF read and the EXIF
// segment's header (the JPEG segment scan is in jpeg_scan.cpp).

#include "exif/photo_data.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>

#include "exif/byte_sources.h"
#include "exif/container_readers.h"
#include "exif/exif_types.h"
#include "exif/read_limits.h"
#include "exif/xmp_dates.h"
#include "platform/file_system.h"
#include "platform/regular_file.h"

namespace kivo {

std::size_t ByteSource::readAt(std::int64_t, std::uint8_t*, std::size_t) {
    return 0;
}

const ByteExtents* OwnerExtents(const TPhotoData& owner) {
    return &owner.FarBytes;
}

bool OwnerFetch(TPhotoData& owner, std::int64_t pos, std::int64_t n) {
    return owner.FetchFar(pos, n);
}

std::optional<std::span<const std::uint8_t>> OwnerExifBytes(const TPhotoData& owner) {
    if (!owner.ExifSlot)
        return std::nullopt;
    return owner.ExifSlot->Bytes;
}

bool OwnerTiffSource(const TPhotoData& owner) {
    return owner.TiffSource;
}

void SetOwnerStatusText(TPhotoData& owner, std::string_view text) {
    owner.StatusText = text;
}

TPhotoData::TPhotoData(int buildMode) : BuildMode(buildMode) {
    ClearState();
}

TPhotoData::~TPhotoData() {
    // The EXIF reader refers back to its owner; let it go first.
    Exif.reset();
    spareExif_.reset();
    Iptc.reset();
}

void TPhotoData::ClearState() {
    SegmentCount = 0;
    ExifSlot = nullptr;
    IptcSlot = nullptr;
    CommentSlot = nullptr;
    App0Slot = nullptr;
    SourcePath.clear();
    SourceTime = 0;
    SourceSize = 0;
    StatusText.clear();
    OpenError = 0;
    SourceBytesRead = 0;
    if (Exif)
        spareExif_ = std::move(Exif);
    Iptc.reset();
    XmpPacket.clear();
    BigEndian = false;
    ClearBuffer();
    TiffSource = false;
    FarBytes.clear();
    FarReads = 0;
    FarBytesRead = 0;
    iptcOverflow_.Bytes.clear();
    iptcJoined_.clear();
    iptcJoining_ = false;
}

TExifInfo& TPhotoData::StartExif() {
    if (spareExif_) {
        Exif = std::move(spareExif_);
        Exif->Reset(this, BuildMode);
    } else {
        Exif = std::make_unique<TExifInfo>(this, BuildMode);
    }
    return *Exif;
}

std::span<const std::uint8_t> TPhotoData::IptcBytes() const {
    if (!IptcSlot)
        return {};
    if (!iptcJoined_.empty())
        return iptcJoined_;
    return IptcSlot->Bytes;
}

bool TPhotoData::ReadImageFile(const std::string& path) {
    ClearState();
    if (ContainerByName(path) != PhotoContainer::None) {
        // The common case, a regular photo file, costs one open, its fstat and the reads;
        // anything else takes the careful path below, which names what it found.
        RegularFile file = OpenRegularFileNonBlocking(path);
        if (file) {
            SourcePath = path;
            SourceTime = UnixToLocalDateTime(file.info.st_mtim.tv_sec);
            SourceSize = static_cast<std::int64_t>(file.info.st_size);
            StatusText = kStatusNotExif;
            FileSource in(std::move(file.fd), SourceSize, head_);
            const bool found = readStream(path, in);
            SourceBytesRead = in.consumed();
            return found;
        }
    }
    const auto entry = StatEntry(path);
    if (!entry || entry->isDir())
        return false;
    SourcePath = path;
    SourceTime = UnixToLocalDateTime(entry->mtime);
    SourceSize = static_cast<std::int64_t>(entry->size);
    StatusText = kStatusNotExif;
    if (ContainerByName(path) == PhotoContainer::None)
        return false;
    // Only a regular file is read: a FIFO, socket or device named like a photo would block
    // the open or the first read (the open does not block, and the check is on the
    // descriptor, so a file swapped in after the look-up is checked too).
    RegularFile file = OpenRegularFile(path);
    if (!file) {
        // A socket fails the open itself (ENXIO): it is named for what it is all the same.
        struct stat st {};
        const bool other = ::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode);
        OpenError = other ? kNotRegularFile : file.error;
        StatusText = kStatusCannotOpen;
        return false;
    }
    FileSource in(std::move(file.fd), static_cast<std::int64_t>(file.info.st_size), head_);
    const bool found = readStream(path, in);
    SourceBytesRead = in.consumed();
    return found;
}

bool ReadFileHead(const std::string& path, FileHead& head) {
    head.count = 0;
    head.file = ContainerByName(path) != PhotoContainer::None ? OpenRegularFileNonBlocking(path)
                                                              : RegularFile{};
    if (!head.file)
        return false;
    FillFileHead(head);
    return true;
}

std::size_t FillFileHead(FileHead& head) {
    FileSource in(head.file.fd.get(), static_cast<std::int64_t>(head.file.info.st_size),
                  head.bytes);
    head.count = in.FillHead();
    return head.count;
}

bool TPhotoData::ReadImageFile(const std::string& path, FileHead& head) {
    if (!head.file)
        return ReadImageFile(path);
    ClearState();
    SourcePath = path;
    SourceTime = UnixToLocalDateTime(head.file.info.st_mtim.tv_sec);
    SourceSize = static_cast<std::int64_t>(head.file.info.st_size);
    StatusText = kStatusNotExif;
    bool found = false;
    {
        FileSource in(head.file.fd.get(), SourceSize, head.bytes, head.count);
        found = readStream(path, in);
        SourceBytesRead = in.consumed();
    }
    head.file.fd.reset();
    return found;
}

bool TPhotoData::ReadOpenFile(const std::string& path, int fd, const struct stat& info) {
    ClearState();
    SourcePath = path;
    SourceTime = UnixToLocalDateTime(info.st_mtim.tv_sec);
    SourceSize = static_cast<std::int64_t>(info.st_size);
    StatusText = kStatusNotExif;
    if (ContainerByName(path) == PhotoContainer::None || !S_ISREG(info.st_mode))
        return false;
    FileSource in(fd, SourceSize, head_); // the caller's descriptor, which it keeps
    const bool found = readStream(path, in);
    SourceBytesRead = in.consumed();
    return found;
}

bool TPhotoData::ReadImageBytes(const std::string& name, std::span<const std::uint8_t> bytes) {
    ClearState();
    SourcePath = name;
    SourceSize = static_cast<std::int64_t>(bytes.size());
    StatusText = kStatusNotExif;
    if (ContainerByName(name) == PhotoContainer::None)
        return false;
    MemorySource in(bytes, 0);
    const bool found = readStream(name, in);
    SourceBytesRead = in.consumed();
    return found;
}

bool TPhotoData::readStream(const std::string& path, ByteSource& in) {
    bool found = false;
    try {
        found = ReadPhotoStream(*this, path, in);
    } catch (const std::exception&) {
        // A failure in the main directory keeps what was captured before it.
        found = false;
    }
    TiffSource = false;
    farSource_ = nullptr;
    if (found)
        StatusText = kStatusOk;
    else
        StatusText = kStatusNotExif;
    return found;
}

void TPhotoData::ParseExifSegment() {
    // EXIF segment as stored (1-based):
    //   1-2 length   3-8 "Exif" 00 00   9-10 "II" or "MM"   11-12 42
    //   13-16 offset of the first directory; TIFF offsets count from position 9.
    if (!Exif)
        StartExif();
    static constexpr std::uint8_t kHeader[5] = {'E', 'x', 'i', 'f', 0};
    if (Buffer.size() < 7 || !std::equal(kHeader, kHeader + 5, Buffer.begin() + 2)) {
        StatusText = kStatusBadHeader;
        return;
    }
    if (Buffer.size() >= 10 && Buffer[8] == 'I' && Buffer[9] == 'I') {
        BigEndian = false;
    } else if (Buffer.size() >= 10 && Buffer[8] == 'M' && Buffer[9] == 'M') {
        BigEndian = true;
    } else {
        StatusText = kStatusBadAlignment;
        return;
    }
    Exif->ClearTraceText();
    Exif->ViewBuffer(Buffer); // the stored segment outlives the walk
    Exif->BigEndian = BigEndian;
    const auto first = Cursor().u32(13);
    if (!first)
        return; // no TIFF header to walk from
    const std::int64_t length = ExifSlot ? ExifSlot->Length : static_cast<int>(Buffer.size());
    const std::int64_t dirPos = *first == 0 ? 17 : static_cast<std::int32_t>(*first) + 9LL;
    Exif->WalkDirectory(dirPos, 9, kDirMain, length - 6);
    if (!StatusText.empty())
        Exif->Derive35mm();
}

bool TPhotoData::ReadTiffStream(ByteSource& in) {
    // Header: "II" or "MM" (2), 42 (2), offset of the first directory (4). The bytes after
    // it (file offset 8 on, at most 256000) become slot 1; file offset X is position X - 7.
    TiffSource = true;
    std::uint8_t header[8];
    if (in.read(header, 2) != 2 ||
        !((header[0] == 'I' && header[1] == 'I') || (header[0] == 'M' && header[1] == 'M'))) {
        TiffSource = false;
        return false;
    }
    const bool bigEndian = header[0] == 'M';
    const std::size_t got = in.read(header + 2, 6);
    TJpegSegment& slot = Segment(1);
    slot.FileOffset = got == 6 ? in.tell() : -1;
    // Read in pieces: a small file does not pay for the whole limit, nor for clearing a
    // piece much larger than what is left of it (a piece read whole asks for the next).
    slot.Bytes.clear();
    std::size_t body = 0;
    const std::int64_t sourceSize = in.size();
    while (got == 6 && body < kTiffReadLimit) {
        std::size_t piece = std::min<std::size_t>(64 * 1024, kTiffReadLimit - body);
        if (sourceSize >= 0)
            piece = std::min<std::size_t>(piece, static_cast<std::size_t>(std::max<std::int64_t>(
                                                     sourceSize - in.consumed() + 1, 4096)));
        slot.Bytes.resize(body + piece);
        const std::size_t n = in.read(slot.Bytes.data() + body, piece);
        body += n;
        if (n < piece)
            break;
    }
    slot.Bytes.resize(body);
    slot.Marker = 0;
    slot.Length = static_cast<int>(body);
    SegmentCount = 1;
    ExifSlot = &slot;

    // Directories and values beyond slot 1 are read where they lie, during the walk only.
    farSource_ = &in;

    StartExif();
    Exif->TiffSource = true;
    Exif->ClearTraceText();
    ViewBuffer(slot.Bytes);
    BigEndian = bigEndian;
    Exif->ViewBuffer(slot.Bytes);
    Exif->BigEndian = bigEndian;

    // The first directory is read where the header says: in the bytes read, or where it
    // lies further on in the file.
    if (got == 6) {
        const auto offset = ByteCursor(std::span<const std::uint8_t>(header, 8), bigEndian).u32(5);
        const std::int64_t dirPos = static_cast<std::int64_t>(*offset) - 7;
        if (dirPos >= 1)
            Exif->WalkDirectory(dirPos, -7, kDirMain, static_cast<std::int64_t>(kTiffReadLimit));
    }
    farSource_ = nullptr;
    Exif->Derive35mm();
    TiffSource = false;
    return true;
}

bool TPhotoData::FetchFar(std::int64_t pos, std::int64_t n) {
    // Positions are 32-bit: nothing beyond them is read.
    if (!farSource_ || pos < 1 || n <= 0 || FarReads >= kMaxFarReads ||
        pos > std::int64_t{INT32_MAX} - n)
        return false;
    const std::int64_t offset = pos - 1 + kTiffSlotOffset;
    const std::int64_t size = farSource_->size();
    if (offset < 0 || (size >= 0 && offset >= size))
        return false;
    // Bytes already read up to the end of the file are all there is.
    for (const ByteExtent& e : FarBytes) {
        const auto end = e.pos + static_cast<std::int64_t>(e.bytes.size());
        if (pos >= e.pos && pos < end && size >= 0 && end - 1 + kTiffSlotOffset >= size)
            return false;
    }
    // A piece of at least kFarReadWindow bytes: the values of a directory usually follow it.
    std::int64_t want = std::max(n, kFarReadWindow);
    if (size >= 0)
        want = std::min(want, size - offset);
    want = std::min(want, kMaxFarBytes - FarBytesRead);
    if (want < std::min(n, size >= 0 ? size - offset : n))
        return false; // the file's limit would cut it
    ++FarReads;
    ByteExtent extent;
    extent.pos = pos;
    extent.bytes.resize(static_cast<std::size_t>(want));
    const std::size_t got =
        farSource_->readAt(offset, extent.bytes.data(), static_cast<std::size_t>(want));
    extent.bytes.resize(got);
    FarBytesRead += static_cast<std::int64_t>(got);
    if (got == 0)
        return false;
    FarBytes.push_back(std::move(extent));
    return true;
}

} // namespace kivo
