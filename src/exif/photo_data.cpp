// The per-batch container: JPEG segment scan, TIFF read and the EXIF segment's header.

#include "exif/photo_data.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "exif/exif_types.h"
#include "platform/file_system.h"

namespace kivo {

namespace {

constexpr int kMarkerEoi = 0xD9;
constexpr int kMarkerSos = 0xDA;
constexpr int kMarkerApp0 = 0xE0;
constexpr int kMarkerApp1 = 0xE1;
constexpr int kMarkerApp13 = 0xED;
constexpr int kMarkerCom = 0xFE;

// Reads a file through a small buffer; only the header segments are ever asked for.
class FileSource : public ByteSource {
public:
    explicit FileSource(int fd) : fd_(fd) {}
    ~FileSource() override {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;

    std::size_t read(std::uint8_t* out, std::size_t n) override {
        std::size_t done = 0;
        while (done < n) {
            if (pos_ < end_) {
                const std::size_t k = std::min(n - done, end_ - pos_);
                std::memcpy(out + done, buf_ + pos_, k);
                pos_ += k;
                done += k;
                continue;
            }
            if (eof_)
                break;
            if (n - done >= sizeof buf_) {
                // Large payloads go straight to the caller.
                const ssize_t got = readSome(out + done, n - done);
                if (got <= 0)
                    break;
                done += static_cast<std::size_t>(got);
                continue;
            }
            const ssize_t got = readSome(buf_, sizeof buf_);
            if (got <= 0)
                break;
            pos_ = 0;
            end_ = static_cast<std::size_t>(got);
        }
        return done;
    }

private:
    ssize_t readSome(std::uint8_t* out, std::size_t n) {
        ssize_t got;
        do {
            got = ::read(fd_, out, n);
        } while (got < 0 && errno == EINTR);
        if (got <= 0)
            eof_ = true;
        return got;
    }

    int fd_;
    bool eof_ = false;
    std::uint8_t buf_[4096];
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
};

class MemorySource : public ByteSource {
public:
    explicit MemorySource(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    std::size_t read(std::uint8_t* out, std::size_t n) override {
        const std::size_t k = std::min(n, bytes_.size() - pos_);
        if (k > 0)
            std::memcpy(out, bytes_.data() + pos_, k);
        pos_ += k;
        return k;
    }

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t pos_ = 0;
};

enum class Kind { Jpeg, Tiff, Other };

Kind kindOf(const std::string& path) {
    std::string ext = ExtractFileExt(path);
    for (char& c : ext)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    if (ext == ".jpg" || ext == ".jpeg" || ext == ".jpe")
        return Kind::Jpeg;
    if (ext == ".tif" || ext == ".tiff" || ext == ".nef")
        return Kind::Tiff;
    return Kind::Other;
}

bool startsWithExifHeader(const std::vector<std::uint8_t>& bytes) {
    // Length (2), then "Exif" and a zero byte.
    static constexpr std::uint8_t kHeader[5] = {'E', 'x', 'i', 'f', 0};
    return bytes.size() >= 7 && std::equal(kHeader, kHeader + 5, bytes.begin() + 2);
}

} // namespace

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
    Exif.reset();
    Iptc.reset();
    BigEndian = false;
    TiffSource = false;
}

bool TPhotoData::ReadImageFile(const std::string& path) {
    ClearState();
    const auto entry = StatEntry(path);
    if (!entry || entry->isDir())
        return false;
    SourcePath = path;
    SourceTime = UnixToLocalDateTime(entry->mtime);
    SourceSize = static_cast<std::int64_t>(entry->size);
    StatusText = kStatusNotExif;
    if (kindOf(path) == Kind::Other)
        return false;
    int fd;
    do {
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        StatusText = kStatusCannotOpen;
        return false;
    }
    FileSource in(fd);
    return readStream(path, in);
}

bool TPhotoData::ReadImageBytes(const std::string& name, std::span<const std::uint8_t> bytes) {
    ClearState();
    SourcePath = name;
    SourceSize = static_cast<std::int64_t>(bytes.size());
    StatusText = kStatusNotExif;
    if (kindOf(name) == Kind::Other)
        return false;
    MemorySource in(bytes);
    return readStream(name, in);
}

bool TPhotoData::readStream(const std::string& path, ByteSource& in) {
    bool found = false;
    try {
        found = kindOf(path) == Kind::Jpeg ? ScanJpegStream(in) : ReadTiffStream(in);
    } catch (const std::exception&) {
        // A failure in the main directory keeps what was captured before it.
        found = false;
    }
    TiffSource = false;
    if (found)
        StatusText = kStatusOk;
    else
        StatusText = kStatusNotExif;
    return found;
}

bool TPhotoData::ScanJpegStream(ByteSource& in) {
    // SOI (FF D8), then segments: [FF...] marker, length (2, big-endian, counts itself),
    // payload of length - 2 bytes.
    TiffSource = false;
    std::uint8_t two[2];
    if (in.read(two, 2) != 2 || two[0] != 0xFF || two[1] != 0xD8)
        return false;
    while (SegmentCount < kMaxSegments) {
        std::uint8_t marker = 0xFF;
        while (marker == 0xFF)
            if (in.read(&marker, 1) != 1)
                return ExifSlot || IptcSlot || CommentSlot;
        if (in.read(two, 2) != 2)
            break; // cut short in its length field: not stored
        const int length = (two[0] << 8) | two[1];
        if (length < 2)
            break; // no segment can be that short
        ++SegmentCount;
        TJpegSegment& slot = Segment(SegmentCount);
        slot.Marker = marker;
        slot.Length = length;
        slot.Bytes.resize(static_cast<std::size_t>(length));
        slot.Bytes[0] = two[0];
        slot.Bytes[1] = two[1];
        const std::size_t want = static_cast<std::size_t>(length - 2);
        const std::size_t got = in.read(slot.Bytes.data() + 2, want);
        // A segment cut short by the end of the file keeps the bytes read; the scan ends
        // after it.
        const bool truncated = got < want;
        if (truncated)
            slot.Bytes.resize(2 + got);

        if (SegmentCount == 5 && !ExifSlot && !IptcSlot && !CommentSlot)
            break;
        if (marker == kMarkerEoi || marker == kMarkerSos)
            break;
        switch (marker) {
        case kMarkerApp0:
            App0Slot = &slot;
            break;
        case kMarkerApp1:
            // Only the first APP1 that carries EXIF counts; others (XMP) are kept as they are.
            if (SegmentCount > 5 || ExifSlot) {
                --SegmentCount;
            } else if (startsWithExifHeader(slot.Bytes)) {
                ExifSlot = &slot;
                Exif = std::make_unique<TExifInfo>(this, BuildMode);
                SetBuffer(slot.Bytes);
                ParseExifSegment();
            }
            break;
        case kMarkerApp13:
            if (!IptcSlot) {
                IptcSlot = &slot;
                Iptc = CreateIptcInfo(*this);
            }
            break;
        case kMarkerCom:
            CommentSlot = &slot;
            break;
        default:
            break;
        }
        if (truncated)
            break;
    }
    return ExifSlot || IptcSlot || CommentSlot;
}

void TPhotoData::ParseExifSegment() {
    // EXIF segment as stored (1-based):
    //   1-2 length   3-8 "Exif" 00 00   9-10 "II" or "MM"   11-12 42
    //   13-16 offset of the first directory; TIFF offsets count from position 9.
    if (!Exif)
        Exif = std::make_unique<TExifInfo>(this, BuildMode);
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
    Exif->SetBuffer(Buffer);
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
    // Read in pieces: a small file does not pay for the whole limit.
    slot.Bytes.clear();
    std::size_t body = 0;
    while (got == 6 && body < kTiffReadLimit) {
        const std::size_t piece = std::min<std::size_t>(64 * 1024, kTiffReadLimit - body);
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

    Exif = std::make_unique<TExifInfo>(this, BuildMode);
    Exif->TiffSource = true;
    Exif->ClearTraceText();
    SetBuffer(slot.Bytes);
    BigEndian = bigEndian;
    Exif->SetBuffer(slot.Bytes);
    Exif->BigEndian = bigEndian;

    // The first directory is read where the header says, when that lies in the bytes read.
    if (got == 6) {
        const auto offset = ByteCursor(std::span<const std::uint8_t>(header, 8), bigEndian).u32(5);
        const std::int64_t dirPos = static_cast<std::int64_t>(*offset) - 7;
        if (Exif->Cursor().has(dirPos, 2))
            Exif->WalkDirectory(dirPos, -7, kDirMain, static_cast<std::int64_t>(kTiffReadLimit));
    }
    Exif->Derive35mm();
    TiffSource = false;
    return true;
}

} // namespace kivo
