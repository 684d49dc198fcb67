#include "browser/file_list_names.h"

#include <algorithm>
#include <bit>

#include "browser/file_list_text_helpers.h"

namespace kivo {

namespace {

// FNV-1a over UTF-16 code units: an ASCII name hashes the same from its bytes and its text.
constexpr std::uint64_t kOffset = 0xcbf29ce484222325ull;
constexpr std::uint64_t kPrime = 0x100000001b3ull;

std::uint64_t HashText(QStringView text) {
    std::uint64_t h = kOffset;
    for (const QChar c : text)
        h = (h ^ c.unicode()) * kPrime;
    return h;
}

bool IsAscii(std::string_view bytes) {
    for (const char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

bool SameAscii(const QString& text, std::string_view bytes) {
    if (text.size() != static_cast<qsizetype>(bytes.size()))
        return false;
    const QChar* t = text.constData();
    for (std::size_t i = 0; i < bytes.size(); ++i)
        if (t[i].unicode() != static_cast<unsigned char>(bytes[i]))
            return false;
    return true;
}

} // namespace

ListedNames::ListedNames(const std::vector<FileListItem>& rows)
    : rows_(rows), next_(rows.size(), -1) {
    const std::size_t size = std::bit_ceil(std::max<std::size_t>(16, rows.size() * 2));
    slots_.assign(size, -1);
    mask_ = size - 1;
    // Rows of one name are chained in row order; the slot holds the first of them.
    std::vector<int> last(rows.size(), -1);
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const QString& name = rows[r].name;
        for (std::size_t s = HashText(name) & mask_;; s = (s + 1) & mask_) {
            int& slot = slots_[s];
            if (slot < 0) {
                slot = static_cast<int>(r);
                last[r] = static_cast<int>(r);
                break;
            }
            if (rows_[static_cast<std::size_t>(slot)].name == name) {
                int& tail = last[static_cast<std::size_t>(slot)];
                next_[static_cast<std::size_t>(tail)] = static_cast<int>(r);
                tail = static_cast<int>(r);
                break;
            }
        }
    }
}

int ListedNames::Find(std::string_view bytes) const {
    if (!IsAscii(bytes)) {
        // A name that is not ASCII compares as its text, which is rare enough to be made.
        const QString text = list_text::FromUtf8(bytes);
        for (std::size_t s = HashText(text) & mask_;; s = (s + 1) & mask_) {
            const int slot = slots_[s];
            if (slot < 0 || rows_[static_cast<std::size_t>(slot)].name == text)
                return slot;
        }
    }
    std::uint64_t h = kOffset;
    for (const char c : bytes)
        h = (h ^ static_cast<unsigned char>(c)) * kPrime;
    for (std::size_t s = h & mask_;; s = (s + 1) & mask_) {
        const int slot = slots_[s];
        if (slot < 0 || SameAscii(rows_[static_cast<std::size_t>(slot)].name, bytes))
            return slot;
    }
}

} // namespace kivo
